#pragma once
// The pictures the windows carry, compiled in as resources. JPEG pictures are
// decoded with libjpeg; others (BMP, PNG) with Qt. A picture is decoded the
// first time it is asked for and kept for the life of the process. Most come
// twice: "name.ext" and, for screens with two device pixels per point and
// more, "name@2x.ext" at twice the size.

#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QList>
#include <QPixmap>
#include <QString>

namespace pictures {

// Decodes a JPEG held in memory; a null image when the data is not a JPEG
// libjpeg can read.
QImage DecodeJpeg(const QByteArray& data);

// The picture at a resource path such as ":/pictures/product.jpg"; a null
// image when there is no such resource or it cannot be decoded.
QImage Image(const QString& resourcePath);
// The picture for a device pixel ratio (0: the application's): above 1 its
// "@2x" variant where there is one, carrying that ratio, so it shows at the
// picture's own size in points with every device pixel drawn.
QPixmap Pixmap(const QString& resourcePath, qreal devicePixelRatio = 0);

// An icon made of one picture file per size (`pattern` holds "%1" for the
// size), read only when some size of it is first wanted: a run whose
// windows never show their icon reads none of them.
QIcon FileIcon(const QString& pattern, const QList<int>& sizes);

// A label showing one picture, decoded the first time the label is shown (a
// picture on a page the user never opens is never decoded). Assigning another
// picture while shown decodes it at once.
class PictureLabel : public QLabel {
public:
    explicit PictureLabel(QWidget* parent = nullptr, const QString& resourcePath = {});
    void setPicture(const QString& resourcePath);
    const QString& picture() const { return path_; }
    // Whether the current picture has been decoded and set.
    bool loaded() const { return loaded_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void load();
    QString path_;
    bool loaded_ = false;
};

}  // namespace pictures
