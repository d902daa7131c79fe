// The document's outline beside the pages: its entries as a tree, each with
// its page number; choosing one asks for its page.
#pragma once

#include <QDockWidget>
#include <QTreeWidget>
#include <vector>

#include "kwen/text.h"

class OutlinePanel : public QDockWidget {
  Q_OBJECT

 public:
  explicit OutlinePanel(QWidget* parent = nullptr);

  // The entries of a document's outline; none empties the panel.
  void setOutline(const std::vector<kwen::OutlineItem>& outline);
  QTreeWidget* tree() const { return tree_; }

 signals:
  void pageChosen(int page);

 private:
  QTreeWidget* tree_;
};
