#include "viewer/desktop/output_device.h"

#include <QFile>

bool OutputDevice::openFile(const QString& path) {
  if (!file_.Open(QFile::encodeName(path).toStdString())) return false;
  return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool OutputDevice::commit() {
  QIODevice::close();
  return file_.Commit();
}

QString OutputDevice::failure() const { return QString::fromLocal8Bit(file_.error().c_str()); }

qint64 OutputDevice::readData(char*, qint64) { return -1; }

qint64 OutputDevice::writeData(const char* data, qint64 size) {
  if (size < 0 || !file_.Write(data, static_cast<size_t>(size))) return -1;
  return size;
}
