#pragma once
// Pictures the windows save (BMP, PNG, PDF) go to their files as every
// other file the program writes: whole or not at all (AtomicFile).
#include <QByteArray>
#include <QImage>
#include <QString>

namespace grainix {

// Encodes `image` in `format` ("BMP", "PNG") and writes it to `path`.
bool writeImageFile(const QImage& image, const QString& path, const char* format);
// Writes bytes already encoded (a PDF rendered into memory) to `path`.
bool writeBytesFile(const QByteArray& bytes, const QString& path);

}  // namespace grainix
