#include "gui/plot/image_file.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

#include "engine/core/atomic_file.h"

namespace grainix {

bool writeBytesFile(const QByteArray& bytes, const QString& path) {
  return writeFileAtomically(QFile::encodeName(path).toStdString(),
                             std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

bool writeImageFile(const QImage& image, const QString& path, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (!writer.write(image)) return false;
  buffer.close();
  return writeBytesFile(bytes, path);
}

}  // namespace grainix
