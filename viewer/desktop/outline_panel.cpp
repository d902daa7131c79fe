#include "viewer/desktop/outline_panel.h"

#include <QHeaderView>

#include "viewer/desktop/outline_tree.h"

namespace {

constexpr int kTitleColumn = 0;
constexpr int kPageColumn = 1;
constexpr int kPageRole = Qt::UserRole;

}  // namespace

OutlinePanel::OutlinePanel(QWidget* parent) : QDockWidget(tr("Outline"), parent), tree_(new QTreeWidget) {
  setObjectName("outlineDock");
  setFeatures(QDockWidget::DockWidgetClosable);
  tree_->setObjectName("outline");
  tree_->setColumnCount(2);
  tree_->setHeaderHidden(true);
  tree_->header()->setStretchLastSection(false);
  tree_->header()->setSectionResizeMode(kTitleColumn, QHeaderView::Stretch);
  tree_->header()->setSectionResizeMode(kPageColumn, QHeaderView::ResizeToContents);
  tree_->setFocusPolicy(Qt::NoFocus);
  setWidget(tree_);
  const auto choose = [this](QTreeWidgetItem* item) { emit pageChosen(item->data(kTitleColumn, kPageRole).toInt()); };
  connect(tree_, &QTreeWidget::itemClicked, this, choose);
  connect(tree_, &QTreeWidget::itemActivated, this, choose);
}

void OutlinePanel::setOutline(const std::vector<kwen::OutlineItem>& outline) {
  tree_->clear();
  const std::vector<int32_t> parents = OutlineParents(outline);
  std::vector<QTreeWidgetItem*> items;
  items.reserve(outline.size());
  for (size_t k = 0; k < outline.size(); ++k) {
    const int32_t parent = parents[k];
    auto* item = parent == kOutlineTop ? new QTreeWidgetItem(tree_)
                                       : new QTreeWidgetItem(items[static_cast<size_t>(parent)]);
    item->setText(kTitleColumn, QString::fromStdString(outline[k].title).simplified());
    item->setToolTip(kTitleColumn, item->text(kTitleColumn));
    item->setText(kPageColumn, QString::number(outline[k].page + 1));
    item->setTextAlignment(kPageColumn, Qt::AlignRight | Qt::AlignVCenter);
    item->setData(kTitleColumn, kPageRole, outline[k].page);
    items.push_back(item);
  }
  tree_->expandToDepth(0);
}
