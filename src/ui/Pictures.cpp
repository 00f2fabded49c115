#include "ui/Pictures.h"

#include <jpeglib.h>

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <csetjmp>
#include <cstdio>

namespace pictures {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

[[noreturn]] void onError(j_common_ptr info) {
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(err->escape, 1);
}

void onMessage(j_common_ptr) {}  // corrupt-data warnings are not for the user

}  // namespace

QImage DecodeJpeg(const QByteArray& data) {
    if (data.isEmpty()) return {};
    jpeg_decompress_struct info;
    ErrorManager err;
    info.err = jpeg_std_error(&err.base);
    err.base.error_exit = onError;
    err.base.output_message = onMessage;
    QImage image;
    if (setjmp(err.escape)) {
        jpeg_destroy_decompress(&info);
        return {};
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return image;
}

QImage Image(const QString& resourcePath) {
    static QHash<QString, QImage> cache;
    auto it = cache.constFind(resourcePath);
    if (it != cache.constEnd()) return *it;
    QFile file(resourcePath);
    QImage image;
    if (file.open(QIODevice::ReadOnly)) {
        QByteArray data = file.readAll();
        if (resourcePath.endsWith(".jpg", Qt::CaseInsensitive) ||
            resourcePath.endsWith(".jpeg", Qt::CaseInsensitive))
            image = DecodeJpeg(data);
        else
            image.loadFromData(data);
    }
    cache.insert(resourcePath, image);
    return image;
}

QPixmap Pixmap(const QString& resourcePath, qreal devicePixelRatio) {
    if (devicePixelRatio <= 0) devicePixelRatio = qApp->devicePixelRatio();
    const int dot = resourcePath.lastIndexOf(QLatin1Char('.'));
    if (devicePixelRatio > 1 && dot > 0) {
        const QImage twice =
            Image(resourcePath.left(dot) + QLatin1String("@2x") + resourcePath.mid(dot));
        if (!twice.isNull()) {
            QPixmap pixmap = QPixmap::fromImage(twice);
            pixmap.setDevicePixelRatio(2);
            return pixmap;
        }
    }
    return QPixmap::fromImage(Image(resourcePath));
}

namespace {

class FileIconEngine : public QIconEngine {
public:
    FileIconEngine(const QString& pattern, const QList<int>& sizes)
        : pattern_(pattern), sizes_(sizes) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return loaded().pixmap(size, mode, state);
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        loaded().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return loaded().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> list;
        for (int size : sizes_) list.append(QSize(size, size));
        return list;
    }
    QIconEngine* clone() const override { return new FileIconEngine(*this); }
    QString key() const override { return QStringLiteral("FileIconEngine"); }
    bool isNull() override { return sizes_.isEmpty(); }

private:
    QIcon& loaded() {
        if (icon_.isNull())
            for (int size : sizes_) icon_.addFile(pattern_.arg(size));
        return icon_;
    }

    QString pattern_;
    QList<int> sizes_;
    QIcon icon_;
};

}  // namespace

QIcon FileIcon(const QString& pattern, const QList<int>& sizes) {
    return QIcon(new FileIconEngine(pattern, sizes));
}

PictureLabel::PictureLabel(QWidget* parent, const QString& resourcePath)
    : QLabel(parent), path_(resourcePath) {}

void PictureLabel::setPicture(const QString& resourcePath) {
    path_ = resourcePath;
    loaded_ = false;
    clear();
    if (isVisible()) load();
}

void PictureLabel::showEvent(QShowEvent* event) {
    if (!loaded_) load();
    QLabel::showEvent(event);
}

void PictureLabel::load() {
    loaded_ = true;
    if (!path_.isEmpty()) setPixmap(Pixmap(path_, devicePixelRatioF()));
}

}  // namespace pictures
