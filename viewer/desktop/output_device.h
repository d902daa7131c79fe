// A file the reader writes for the user, as a Qt device: Qt's writers (the
// PDF writer among them) write into it, and the bytes go through the kit's
// one output routine, so that a device or a pipe is written where it is and
// an older file keeps its bytes until the new one is complete.
#pragma once

#include <QIODevice>
#include <QString>

#include "engine/output_file.h"

class OutputDevice : public QIODevice {
 public:
  // Whatever was not committed is dropped when the device goes.
  // False, with failure() telling why, when nothing can be written there.
  bool openFile(const QString& path);
  // Puts the whole file under its name; false, with failure() telling why,
  // when any write or the last one failed: the name then keeps what it had.
  bool commit();
  QString failure() const;

  bool isSequential() const override { return true; }

 protected:
  qint64 readData(char* data, qint64 maxSize) override;
  qint64 writeData(const char* data, qint64 size) override;

 private:
  OutputFile file_;
};
