#pragma once
// The pictures the windows carry, compiled in as resources. JPEG pictures are
// decoded with libjpeg; others (BMP, PNG) with Qt. A picture is decoded the
// first time it is asked for and kept for the life of the process.

#include <QImage>
#include <QPixmap>
#include <QString>

namespace pictures {

// Decodes a JPEG held in memory; a null image when the data is not a JPEG
// libjpeg can read.
QImage DecodeJpeg(const QByteArray& data);

// The picture at a resource path such as ":/pictures/product.jpg"; a null
// image when there is no such resource or it cannot be decoded.
QImage Image(const QString& resourcePath);
QPixmap Pixmap(const QString& resourcePath);

}  // namespace pictures
