// Draws the program's own artwork and writes it under the resources folder
// given as the argument: the pictures (resources/pictures, each also at twice
// its size as "name@2x"), the program's icons (resources/icons) and the
// progress window's mask (resources/mask). Everything is drawn from shapes and
// text here, so the pictures can be remade at any time:
//   cmake --build build --target art && build/tools/art/art resources
// Run it with QT_QPA_PLATFORM=offscreen where no display is at hand. The
// lettering uses the "DejaVu Sans" family (Debian package fonts-dejavu-core);
// another sans family is substituted when it is missing, which changes the
// pictures slightly.

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <functional>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <string>

#include "extract/Outline.h"

namespace {

std::string outDir;

bool writeJpeg(const QImage& source, const QString& name) {
    QImage img = source.convertToFormat(QImage::Format_RGB888);
    std::string path = outDir + "/" + name.toStdString();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, f);
    info.image_width = static_cast<JDIMENSION>(img.width());
    info.image_height = static_cast<JDIMENSION>(img.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 92, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(img.constScanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(f);
    std::printf("%s %dx%d\n", path.c_str(), img.width(), img.height());
    return true;
}

bool writePng(const QImage& img, const QString& name) {
    QString path = QString::fromStdString(outDir) + "/" + name;
    std::printf("%s %dx%d\n", path.toStdString().c_str(), img.width(), img.height());
    return img.save(path, "PNG");
}

QFont sans(int pixelSize, bool bold = false) {
    QFont f("DejaVu Sans");
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// A picture of w x h at the device pixel ratio s: a painter on it draws in
// the w x h coordinates and fills s times as many pixels.
QImage canvas(int w, int h, qreal s, QImage::Format format = QImage::Format_RGB32) {
    QImage img(qRound(w * s), qRound(h * s), format);
    img.setDevicePixelRatio(s);
    return img;
}

const QColor kDeep(18, 58, 88);
const QColor kTeal(32, 128, 140);
const QColor kAmber(240, 170, 50);
const QColor kPaper(250, 246, 236);

// The product's emblem: a strapped crate opening, with a spark of light above.
void drawCrate(QPainter& p, QRectF box) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = box.width(), h = box.height();
    const qreal x = box.left(), y = box.top();
    // front face
    QRectF front(x, y + h * 0.30, w * 0.72, h * 0.70);
    QLinearGradient fg(front.topLeft(), front.bottomLeft());
    fg.setColorAt(0, QColor(205, 140, 70));
    fg.setColorAt(1, QColor(150, 92, 40));
    // side face
    QPolygonF side;
    side << front.topRight() << QPointF(x + w, y + h * 0.14) << QPointF(x + w, y + h * 0.84)
         << front.bottomRight();
    QPolygonF top;
    top << front.topLeft() << QPointF(x + w * 0.28, y + h * 0.14) << QPointF(x + w, y + h * 0.14)
        << front.topRight();
    p.setPen(QPen(QColor(80, 45, 20), 1.5));
    p.setBrush(QColor(120, 72, 30));
    p.drawPolygon(side);
    p.setBrush(QColor(90, 52, 22));
    p.drawPolygon(top);
    // open lid tilted back
    QPolygonF lid;
    lid << QPointF(x + w * 0.28, y + h * 0.14) << QPointF(x + w, y + h * 0.14)
        << QPointF(x + w * 1.02, y - h * 0.10) << QPointF(x + w * 0.30, y - h * 0.10);
    p.setBrush(QColor(225, 165, 90));
    p.drawPolygon(lid);
    p.setBrush(fg);
    p.drawRect(front);
    // straps
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 70));
    p.drawRect(QRectF(front.left() + front.width() * 0.18, front.top(), front.width() * 0.08,
                      front.height()));
    p.drawRect(QRectF(front.left() + front.width() * 0.74, front.top(), front.width() * 0.08,
                      front.height()));
    // light coming out
    QRadialGradient glow(QPointF(x + w * 0.62, y + h * 0.05), w * 0.55);
    glow.setColorAt(0, QColor(255, 240, 170, 220));
    glow.setColorAt(1, QColor(255, 240, 170, 0));
    p.setBrush(glow);
    p.drawEllipse(QPointF(x + w * 0.62, y + h * 0.05), w * 0.55, h * 0.45);
    // a few papers flying out
    p.setPen(QPen(QColor(120, 120, 120), 1));
    const QPointF papers[] = {{0.45, -0.28}, {0.78, -0.36}, {0.98, -0.18}};
    for (int i = 0; i < 3; ++i) {
        p.save();
        p.translate(x + w * papers[i].x(), y + h * papers[i].y());
        p.rotate(-20 + i * 22);
        p.setBrush(kPaper);
        p.drawRect(QRectF(-w * 0.08, -h * 0.10, w * 0.16, h * 0.20));
        p.setPen(QPen(QColor(150, 160, 180), 1));
        for (int l = 0; l < 3; ++l)
            p.drawLine(QPointF(-w * 0.05, -h * 0.05 + l * h * 0.05),
                       QPointF(w * 0.05, -h * 0.05 + l * h * 0.05));
        p.restore();
    }
    p.restore();
}

void sky(QPainter& p, const QRect& r, QColor top, QColor bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(r, g);
}

void bokeh(QPainter& p, const QRect& r, int count, quint32 seed) {
    QRandomGenerator rng(seed);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        qreal cx = r.left() + rng.bounded(r.width());
        qreal cy = r.top() + rng.bounded(r.height());
        qreal rad = 6 + rng.bounded(28);
        QRadialGradient g(QPointF(cx, cy), rad);
        g.setColorAt(0, QColor(255, 255, 255, 40 + rng.bounded(40)));
        g.setColorAt(1, QColor(255, 255, 255, 0));
        p.setBrush(g);
        p.drawEllipse(QPointF(cx, cy), rad, rad);
    }
    p.restore();
}

// The emblem on an 80 x 80 grid: the crate on a teal disc.
void drawEmblem(QPainter& p, QRectF disc, QRectF crate) {
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(QPointF(40, 40), 40);
    g.setColorAt(0, kTeal);
    g.setColorAt(1, kDeep);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(disc);
    drawCrate(p, crate);
}

// 484 x 248: the main window's picture and the progress window's background.
// The progress window shows only its outline (extract/Outline.h): the emblem's
// disc, the band with the name and a calm stretch for the bar, and the tray
// around the file lines. The picture draws that outline as a panel of its own,
// so the window shows a whole, and the main window shows the panel in a scene.
QImage product(qreal s) {
    const QPainterPath shape = outline::ProgressOutline();
    QImage img = canvas(484, 248, s);
    QPainter p(&img);
    const QRect all(0, 0, 484, 248);
    sky(p, all, kDeep, kTeal);
    bokeh(p, all, 26, 7);
    p.setRenderHint(QPainter::Antialiasing);
    // ground
    QPainterPath hill;
    hill.moveTo(0, 176);
    hill.cubicTo(120, 150, 300, 206, 484, 168);
    hill.lineTo(484, 248);
    hill.lineTo(0, 248);
    p.fillPath(hill, QColor(14, 44, 62));
    // The panel: calm, with a light rim where the window's edge will run.
    QLinearGradient panel(0, 86, 0, 240);
    panel.setColorAt(0, QColor(30, 92, 116));
    panel.setColorAt(0.5, QColor(20, 66, 92));
    panel.setColorAt(1, QColor(12, 40, 60));
    p.fillPath(shape, panel);
    p.strokePath(shape, QPen(QColor(255, 255, 255, 110), 1.5));
    // The emblem fills the disc, whole.
    const qreal k = 2 * outline::kDiscRadius / 76;
    p.save();
    p.translate(outline::kDiscCentre.x() - 40 * k, outline::kDiscCentre.y() - 40 * k);
    p.scale(k, k);
    drawEmblem(p, QRectF(2, 2, 76, 76), QRectF(16, 30, 48, 38));
    p.restore();
    // The name and what the program does, under the bar's place (218, 107,
    // 154 x 15), which stays plain.
    p.setPen(Qt::white);
    p.setFont(sans(30, true));
    p.drawText(QRectF(126, 122, 170, 36), Qt::AlignLeft | Qt::AlignVCenter, "Tarnwick");
    p.setPen(kAmber);
    p.setFont(sans(13));
    p.drawText(QRectF(292, 132, 150, 22), Qt::AlignLeft | Qt::AlignVCenter, "unpacks RAR archives");
    // The tray shows where archives go, in no language: a dashed drop zone
    // with an arrow into it. In the progress window the file lines cover it
    // whole; the main window's "Unrar..." button stands at its right.
    p.setPen(QPen(QColor(150, 190, 205), 1.5, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(20, 196, 304, 32), 6, 6);
    QPainterPath arrow;
    arrow.moveTo(166, 201);
    arrow.lineTo(178, 201);
    arrow.lineTo(178, 210);
    arrow.lineTo(185, 210);
    arrow.lineTo(172, 223);
    arrow.lineTo(159, 210);
    arrow.lineTo(166, 210);
    arrow.closeSubpath();
    p.fillPath(arrow, kAmber);
    // The ways in, for the main window's eyes only: above the band.
    p.setPen(QColor(220, 235, 240));
    p.setFont(sans(13));
    p.drawText(QRectF(0, 30, 484, 24), Qt::AlignHCenter | Qt::AlignVCenter,
               "drop  \xc2\xb7  double-click  \xc2\xb7  extract");
    return img;
}

// The progress window's mask (24-bit BMP): pure red inside the outline, black
// outside. A pixel is red when its centre lies inside.
QImage progressMask() {
    const QPainterPath shape = outline::ProgressOutline();
    QImage img(484, 248, QImage::Format_RGB888);
    img.fill(Qt::black);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (shape.contains(QPointF(x + 0.5, y + 0.5))) img.setPixel(x, y, qRgb(255, 0, 0));
    return img;
}

void arrowCursor(QPainter& p, QPointF at) {
    QPolygonF c;
    c << QPointF(0, 0) << QPointF(0, 17) << QPointF(4, 13) << QPointF(7, 20) << QPointF(10, 19)
      << QPointF(7, 12) << QPointF(12, 12);
    c.translate(at);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPolygon(c);
}

void stepNumber(QPainter& p, QPointF at, int n) {
    p.setPen(Qt::NoPen);
    p.setBrush(kAmber);
    p.drawEllipse(at, 11, 11);
    p.setPen(Qt::white);
    p.setFont(sans(13, true));
    p.drawText(QRectF(at.x() - 11, at.y() - 11, 22, 22), Qt::AlignCenter, QString::number(n));
}

// 463 x 141: the three steps of unpacking with the "Unrar..." button.
QImage help(qreal s) {
    QImage img = canvas(463, 141, s);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const int panelW = 147, gap = 11;
    for (int i = 0; i < 3; ++i) {
        QRectF r(i * (panelW + gap) + 0.5, 0.5, panelW - 1, 140);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, QColor(236, 244, 248));
        g.setColorAt(1, QColor(208, 226, 236));
        p.setPen(QPen(QColor(150, 180, 200), 1));
        p.setBrush(g);
        p.drawRoundedRect(r, 8, 8);
    }
    // 1: a button being clicked
    QRectF button(22, 52, 104, 30);
    p.setPen(QPen(QColor(90, 100, 110), 1));
    QLinearGradient bg(button.topLeft(), button.bottomLeft());
    bg.setColorAt(0, QColor(252, 252, 252));
    bg.setColorAt(1, QColor(220, 224, 228));
    p.setBrush(bg);
    p.drawRoundedRect(button, 4, 4);
    p.setPen(Qt::black);
    p.setFont(sans(13));
    p.drawText(button, Qt::AlignCenter, "Unrar...");
    arrowCursor(p, QPointF(98, 70));
    // 2: choosing a file
    QRectF list(172, 28, 120, 90);
    p.setPen(QPen(QColor(120, 130, 140), 1));
    p.setBrush(Qt::white);
    p.drawRect(list);
    const char* names[] = {"photos.rar", "music.rar", "letters.rar", "backup.rar"};
    p.setFont(sans(11));
    for (int i = 0; i < 4; ++i) {
        QRectF row(list.left() + 1, list.top() + 4 + i * 20, list.width() - 2, 19);
        if (i == 1) p.fillRect(row, QColor(60, 120, 200));
        p.setPen(i == 1 ? Qt::white : Qt::black);
        p.fillRect(QRectF(row.left() + 4, row.top() + 4, 10, 11), QColor(205, 140, 70));
        p.drawText(row.adjusted(20, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, names[i]);
    }
    arrowCursor(p, QPointF(262, 62));
    // 3: the unpacked files in their folder
    QRectF folder(338, 50, 104, 70);
    p.setPen(QPen(QColor(170, 120, 30), 1));
    p.setBrush(QColor(250, 200, 90));
    QPainterPath tab;
    tab.addRoundedRect(QRectF(folder.left(), folder.top() - 10, 40, 16), 3, 3);
    p.drawPath(tab);
    for (int i = 0; i < 3; ++i) {
        p.save();
        p.translate(folder.left() + 24 + i * 26, folder.top() - 4);
        p.rotate(-10 + i * 10);
        p.setPen(QPen(QColor(140, 140, 140), 1));
        p.setBrush(kPaper);
        p.drawRect(QRectF(-10, -16, 22, 28));
        p.restore();
    }
    p.setPen(QPen(QColor(170, 120, 30), 1));
    p.setBrush(QColor(252, 214, 110));
    p.drawRoundedRect(folder, 4, 4);
    p.setPen(QPen(QColor(40, 160, 70), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPolygonF tick;
    tick << QPointF(372, 86) << QPointF(386, 100) << QPointF(412, 70);
    p.drawPolyline(tick);
    for (int i = 0; i < 3; ++i) stepNumber(p, QPointF(i * (panelW + gap) + 18, 18), i + 1);
    return img;
}

// 150 x 57: the header picture of the extraction run's dialogs and the wizard.
QImage dialogHeader(qreal s) {
    QImage img = canvas(150, 57, s);
    QPainter p(&img);
    QLinearGradient g(0, 0, 150, 0);
    g.setColorAt(0, Qt::white);
    g.setColorAt(0.35, QColor(210, 232, 238));
    g.setColorAt(1, kTeal);
    p.fillRect(QRect(0, 0, 150, 57), g);
    drawCrate(p, QRectF(92, 18, 46, 36));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(kDeep);
    p.setFont(sans(13, true));
    p.drawText(QRect(8, 4, 90, 49), Qt::AlignLeft | Qt::AlignVCenter, "Tarnwick");
    return img;
}

// 80 x 80: the product's emblem on the About page.
QImage aboutEmblem(qreal s) {
    QImage img = canvas(80, 80, s);
    img.fill(Qt::white);
    QPainter p(&img);
    drawEmblem(p, QRectF(2, 2, 76, 76), QRectF(18, 30, 44, 36));
    return img;
}

// The program's icon at size x size: the About page's emblem on a transparent
// square, for the desktop's menus, file managers and window title bars.
QImage appIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.scale(size / 80.0, size / 80.0);
    drawEmblem(p, QRectF(1, 1, 78, 78), QRectF(16, 30, 48, 38));
    return img;
}

// The program's icon as a scalable picture: the same shapes as appIcon(), on
// the same 80 x 80 grid, written out as SVG by hand (the crate of drawCrate()
// in the box 16, 30, 48 x 38 on the disc 1, 1, 78 x 78).
QString appIconSvg() {
    const qreal x = 16, y = 30, w = 48, h = 38;
    const auto n = [](qreal v) { return QString::number(v, 'f', 2); };
    const auto pt = [&](qreal px, qreal py) { return n(px) + "," + n(py) + " "; };
    const auto rgb = [](const QColor& c) { return c.name(); };
    const QRectF front(x, y + h * 0.30, w * 0.72, h * 0.70);
    QString svg;
    svg +=
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"80\" height=\"80\" "
        "viewBox=\"0 0 80 80\">\n<defs>\n";
    svg += QString(
               "<radialGradient id=\"disc\" gradientUnits=\"userSpaceOnUse\" cx=\"40\" "
               "cy=\"40\" r=\"40\"><stop offset=\"0\" stop-color=\"%1\"/><stop offset=\"1\" "
               "stop-color=\"%2\"/></radialGradient>\n")
               .arg(rgb(kTeal), rgb(kDeep));
    svg += QString(
               "<linearGradient id=\"front\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" "
               "y1=\"%1\" x2=\"0\" y2=\"%2\"><stop offset=\"0\" stop-color=\"#cd8c46\"/>"
               "<stop offset=\"1\" stop-color=\"#965c28\"/></linearGradient>\n")
               .arg(n(front.top()), n(front.bottom()));
    svg += QString(
               "<radialGradient id=\"glow\" gradientUnits=\"userSpaceOnUse\" cx=\"%1\" "
               "cy=\"%2\" r=\"%3\"><stop offset=\"0\" stop-color=\"#fff0aa\" "
               "stop-opacity=\"0.863\"/><stop offset=\"1\" stop-color=\"#fff0aa\" "
               "stop-opacity=\"0\"/></radialGradient>\n</defs>\n")
               .arg(n(x + w * 0.62), n(y + h * 0.05), n(w * 0.55));
    svg += "<circle cx=\"40\" cy=\"40\" r=\"39\" fill=\"url(#disc)\"/>\n";
    svg += "<g stroke=\"#502d14\" stroke-width=\"1.5\">\n";
    svg += "<polygon fill=\"#78481e\" points=\"" + pt(front.right(), front.top()) +
           pt(x + w, y + h * 0.14) + pt(x + w, y + h * 0.84) + pt(front.right(), front.bottom()) +
           "\"/>\n";
    svg += "<polygon fill=\"#5a3416\" points=\"" + pt(front.left(), front.top()) +
           pt(x + w * 0.28, y + h * 0.14) + pt(x + w, y + h * 0.14) +
           pt(front.right(), front.top()) + "\"/>\n";
    svg += "<polygon fill=\"#e1a55a\" points=\"" + pt(x + w * 0.28, y + h * 0.14) +
           pt(x + w, y + h * 0.14) + pt(x + w * 1.02, y - h * 0.10) +
           pt(x + w * 0.30, y - h * 0.10) + "\"/>\n";
    svg += QString("<rect fill=\"url(#front)\" x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"/>\n")
               .arg(n(front.left()), n(front.top()), n(front.width()), n(front.height()));
    svg += "</g>\n";
    for (qreal at : {0.18, 0.74})
        svg += QString("<rect fill=\"#3c3c46\" x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"/>\n")
                   .arg(n(front.left() + front.width() * at), n(front.top()),
                        n(front.width() * 0.08), n(front.height()));
    svg += QString("<ellipse fill=\"url(#glow)\" cx=\"%1\" cy=\"%2\" rx=\"%3\" ry=\"%4\"/>\n")
               .arg(n(x + w * 0.62), n(y + h * 0.05), n(w * 0.55), n(h * 0.45));
    const QPointF papers[] = {{0.45, -0.28}, {0.78, -0.36}, {0.98, -0.18}};
    for (int i = 0; i < 3; ++i) {
        svg += QString("<g transform=\"translate(%1 %2) rotate(%3)\">\n")
                   .arg(n(x + w * papers[i].x()), n(y + h * papers[i].y()))
                   .arg(-20 + i * 22);
        svg += QString(
                   "<rect fill=\"%1\" stroke=\"#787878\" x=\"%2\" y=\"%3\" width=\"%4\" "
                   "height=\"%5\"/>\n")
                   .arg(rgb(kPaper), n(-w * 0.08), n(-h * 0.10), n(w * 0.16), n(h * 0.20));
        for (int l = 0; l < 3; ++l)
            svg += QString("<line stroke=\"#96a0b4\" x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\"/>\n")
                       .arg(n(-w * 0.05), n(-h * 0.05 + l * h * 0.05), n(w * 0.05));
        svg += "</g>\n";
    }
    svg += "</svg>\n";
    return svg;
}

bool writeText(const QString& text, const QString& name) {
    const std::string path = outDir + "/" + name.toStdString();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const QByteArray bytes = text.toUtf8();
    const bool ok = std::fwrite(bytes.constData(), 1, bytes.size(), f) == std::size_t(bytes.size());
    std::printf("%s\n", path.c_str());
    return std::fclose(f) == 0 && ok;
}

// 80 x 80: the version badge on the About page.
QImage aboutBadge(qreal s) {
    QImage img = canvas(80, 80, s);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath star;
    for (int i = 0; i < 24; ++i) {
        qreal a = i * 3.14159265 / 12;
        qreal r = (i % 2) ? 31 : 38;
        QPointF pt(40 + r * std::cos(a), 40 + r * std::sin(a));
        if (i == 0)
            star.moveTo(pt);
        else
            star.lineTo(pt);
    }
    star.closeSubpath();
    p.fillPath(star, kAmber);
    p.setPen(Qt::white);
    p.setFont(sans(18, true));
    p.drawText(QRect(0, 20, 80, 26), Qt::AlignCenter, "2.40");
    p.setFont(sans(10, true));
    p.drawText(QRect(0, 44, 80, 16), Qt::AlignCenter, "free");
    return img;
}

// Three panels with a title each: the Author and More pages (486 x 270).
struct Panel {
    QString title;
    QString line;
    QColor color;
    int motif;  // 0 window, 1 book, 2 landscape, 3 crate, 4 gear, 5 grid
};

void drawMotif(QPainter& p, const QRectF& r, int motif, const QColor& c) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(c.darker(160), 2));
    switch (motif) {
        case 0: {  // a program window
            p.setBrush(Qt::white);
            p.drawRoundedRect(r, 4, 4);
            p.fillRect(QRectF(r.left() + 1, r.top() + 1, r.width() - 2, 12), c);
            for (int i = 0; i < 3; ++i)
                p.fillRect(QRectF(r.left() + 10, r.top() + 22 + i * 14, r.width() * 0.6, 6),
                           QColor(200, 210, 220));
            break;
        }
        case 1: {  // an open book
            QPainterPath left, right;
            left.moveTo(r.center().x(), r.top() + 8);
            left.cubicTo(r.left() + r.width() * 0.3, r.top(), r.left() + 4, r.top() + 6, r.left(),
                         r.top() + 10);
            left.lineTo(r.left(), r.bottom());
            left.cubicTo(r.left() + 10, r.bottom() - 6, r.center().x() - 20, r.bottom() - 8,
                         r.center().x(), r.bottom());
            left.closeSubpath();
            right = QTransform().translate(2 * r.center().x(), 0).scale(-1, 1).map(left);
            p.setBrush(kPaper);
            p.drawPath(left);
            p.drawPath(right);
            p.setPen(QPen(QColor(170, 170, 170), 1));
            for (int i = 0; i < 4; ++i) {
                qreal y = r.top() + 22 + i * 11;
                p.drawLine(QPointF(r.left() + 8, y), QPointF(r.center().x() - 8, y));
                p.drawLine(QPointF(r.center().x() + 8, y), QPointF(r.right() - 8, y));
            }
            break;
        }
        case 2: {  // a landscape
            QLinearGradient g(r.topLeft(), r.bottomLeft());
            g.setColorAt(0, QColor(120, 180, 230));
            g.setColorAt(1, QColor(230, 240, 250));
            p.setBrush(g);
            p.drawRect(r);
            QPolygonF m;
            m << QPointF(r.left(), r.bottom()) << QPointF(r.left() + r.width() * 0.35, r.top() + 18)
              << QPointF(r.left() + r.width() * 0.6, r.bottom() - 20)
              << QPointF(r.left() + r.width() * 0.78, r.top() + 30)
              << QPointF(r.right(), r.bottom());
            p.setBrush(QColor(70, 110, 90));
            p.drawPolygon(m);
            p.setBrush(QColor(255, 220, 90));
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(r.right() - 16, r.top() + 14), 8, 8);
            break;
        }
        case 3:
            drawCrate(p, r.adjusted(r.width() * 0.15, r.height() * 0.2, -r.width() * 0.15, 0));
            break;
        case 4: {  // a gear
            QPainterPath gear;
            QPointF o = r.center();
            const qreal R = std::min(r.width(), r.height()) / 2 - 2;
            for (int i = 0; i < 32; ++i) {
                qreal a = i * 3.14159265 / 16;
                qreal rr = ((i / 2) % 2) ? R * 0.78 : R;
                QPointF pt(o.x() + rr * std::cos(a), o.y() + rr * std::sin(a));
                if (i == 0)
                    gear.moveTo(pt);
                else
                    gear.lineTo(pt);
            }
            gear.closeSubpath();
            gear.addEllipse(o, R * 0.3, R * 0.3);
            p.setBrush(c);
            p.drawPath(gear);
            break;
        }
        default: {  // a grid of tiles
            const qreal s = std::min(r.width(), r.height()) / 3 - 4;
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) {
                    p.setBrush(QColor::fromHsv((i * 3 + j) * 36 % 360, 120, 230));
                    p.drawRoundedRect(QRectF(r.center().x() - 1.5 * s - 4 + i * (s + 4),
                                             r.center().y() - 1.5 * s - 4 + j * (s + 4), s, s),
                                      3, 3);
                }
        }
    }
    p.restore();
}

QImage panelPage(const QString& heading, const Panel (&panels)[3], qreal s) {
    QImage img = canvas(486, 270, s);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(kDeep);
    p.setFont(sans(20, true));
    p.drawText(QRect(0, 6, 486, 34), Qt::AlignCenter, heading);
    for (int i = 0; i < 3; ++i) {
        QRectF r(8 + i * 158, 48, 150, 214);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, panels[i].color.lighter(175));
        g.setColorAt(1, panels[i].color.lighter(125));
        p.setPen(QPen(panels[i].color, 1));
        p.setBrush(g);
        p.drawRoundedRect(r, 10, 10);
        drawMotif(p, QRectF(r.left() + 30, r.top() + 22, 90, 80), panels[i].motif, panels[i].color);
        p.setPen(kDeep);
        p.setFont(sans(15, true));
        p.drawText(QRectF(r.left(), r.top() + 116, r.width(), 24), Qt::AlignCenter,
                   panels[i].title);
        p.setPen(QColor(40, 60, 70));
        p.setFont(sans(11));
        p.drawText(QRectF(r.left() + 10, r.top() + 144, r.width() - 20, 60),
                   Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, panels[i].line);
    }
    return img;
}

QImage authorPage(bool german, qreal s) {
    const Panel en[3] = {{"Free Apps", "Small tools for everyday work", QColor(60, 130, 200), 0},
                         {"Free eBooks", "Guides and stories to read", QColor(200, 120, 60), 1},
                         {"Wallpapers", "Pictures for your desktop", QColor(70, 150, 90), 2}};
    const Panel de[3] = {
        {"Gratis-Apps", "Kleine Werkzeuge f\u00fcr jeden Tag", QColor(60, 130, 200), 0},
        {"Gratis-eBooks", "Ratgeber und Geschichten", QColor(200, 120, 60), 1},
        {"Hintergr\u00fcnde", "Bilder f\u00fcr Ihren Desktop", QColor(70, 150, 90), 2}};
    return panelPage(
        german ? "Ostrel \u2013 Programme und mehr" : "Ostrel \u2013 software and more",
        german ? de : en, s);
}

QImage morePage(bool german, qreal s) {
    const Panel en[3] = {{"Quenfold", "Folds many files into one", QColor(120, 90, 170), 3},
                         {"Plimsy", "Keeps your settings in trim", QColor(40, 140, 150), 4},
                         {"More...", "Every project of the maker", QColor(150, 150, 60), 5}};
    const Panel de[3] = {
        {"Quenfold", "Fasst viele Dateien zusammen", QColor(120, 90, 170), 3},
        {"Plimsy", "H\u00e4lt Ihre Einstellungen in Form", QColor(40, 140, 150), 4},
        {"Mehr...", "Alle Projekte des Herstellers", QColor(150, 150, 60), 5}};
    return panelPage(german ? "Weitere Projekte" : "More projects", german ? de : en, s);
}

// 18 x 18 option icons: a rounded tile with a white symbol.
QImage icon(QColor color, const std::function<void(QPainter&)>& symbol, qreal s) {
    QImage img = canvas(18, 18, s, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 18);
    g.setColorAt(0, color.lighter(130));
    g.setColorAt(1, color.darker(120));
    p.setPen(QPen(color.darker(160), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, 17, 17), 4, 4);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    symbol(p);
    return img;
}

// Each option icon at 18 x 18 and, for screens of twice the density, at
// 36 x 36 beside it ("name@2x.png").
void writeIcon(QColor color, const std::function<void(QPainter&)>& symbol, const char* name) {
    writePng(icon(color, symbol, 1), QString("%1.png").arg(name));
    writePng(icon(color, symbol, 2), QString("%1@2x.png").arg(name));
}

void makeIcons() {
    const QColor pass(200, 140, 30), folder(50, 120, 200), iface(60, 150, 90), dlg(150, 80, 170);
    auto key = [](QPainter& p) {
        p.drawEllipse(QPointF(6, 9), 3, 3);
        p.drawLine(QPointF(9, 9), QPointF(15, 9));
        p.drawLine(QPointF(13, 9), QPointF(13, 12));
        p.drawLine(QPointF(15, 9), QPointF(15, 11));
    };
    auto list = [](QPainter& p) {
        for (int i = 0; i < 3; ++i) {
            p.drawPoint(QPointF(5, 5 + i * 4));
            p.drawLine(QPointF(8, 5 + i * 4), QPointF(14, 5 + i * 4));
        }
    };
    auto name = [](QPainter& p) {
        p.drawRect(QRectF(4, 5, 10, 8));
        p.drawLine(QPointF(6, 9), QPointF(12, 9));
    };
    auto folderSym = [](QPainter& p) {
        p.drawRect(QRectF(4, 6, 10, 7));
        p.drawLine(QPointF(4, 6), QPointF(6, 4));
        p.drawLine(QPointF(6, 4), QPointF(9, 4));
    };
    auto folderPin = [](QPainter& p) {
        p.drawRect(QRectF(3, 6, 9, 7));
        p.drawEllipse(QPointF(13, 6), 2, 2);
        p.drawLine(QPointF(13, 8), QPointF(13, 12));
    };
    auto subfolder = [](QPainter& p) {
        p.drawRect(QRectF(3, 4, 8, 6));
        p.drawRect(QRectF(7, 8, 8, 6));
    };
    auto openFolder = [](QPainter& p) {
        p.drawLine(QPointF(3, 13), QPointF(6, 7));
        p.drawLine(QPointF(6, 7), QPointF(15, 7));
        p.drawLine(QPointF(15, 7), QPointF(12, 13));
        p.drawLine(QPointF(12, 13), QPointF(3, 13));
        p.drawLine(QPointF(3, 13), QPointF(3, 5));
        p.drawLine(QPointF(3, 5), QPointF(8, 5));
    };
    auto globe = [](QPainter& p) {
        p.drawEllipse(QPointF(9, 9), 5.5, 5.5);
        p.drawEllipse(QPointF(9, 9), 2.3, 5.5);
        p.drawLine(QPointF(3.5, 9), QPointF(14.5, 9));
    };
    auto pin = [](QPainter& p) {
        p.drawRect(QRectF(3, 7, 9, 7));
        p.drawRect(QRectF(6, 4, 9, 7));
    };
    auto button = [](QPainter& p) {
        p.drawRoundedRect(QRectF(3, 6, 12, 6), 2, 2);
        p.drawLine(QPointF(6, 9), QPointF(12, 9));
    };
    auto welcome = [](QPainter& p) {
        p.drawLine(QPointF(9, 3), QPointF(9, 10));
        p.drawPoint(QPointF(9, 14));
    };
    auto dialogSym = [](QPainter& p) {
        p.drawRect(QRectF(3, 4, 12, 10));
        p.drawLine(QPointF(3, 7), QPointF(15, 7));
    };
    auto overwrite = [](QPainter& p) {
        p.drawArc(QRectF(4, 4, 10, 10), 30 * 16, 280 * 16);
        p.drawLine(QPointF(13.5, 5), QPointF(13.5, 8.5));
        p.drawLine(QPointF(13.5, 8.5), QPointF(10, 8.5));
    };
    auto wizard = [](QPainter& p) {
        p.drawLine(QPointF(4, 14), QPointF(12, 6));
        p.drawLine(QPointF(13, 2.5), QPointF(13, 5));
        p.drawLine(QPointF(15.5, 5), QPointF(13, 5));
        p.drawLine(QPointF(14, 8), QPointF(15.5, 9));
    };
    writeIcon(pass, key, "icon_password");
    writeIcon(pass, list, "icon_passlist");
    writeIcon(pass, name, "icon_archivename");
    writeIcon(folder, folderSym, "icon_samefolder");
    writeIcon(folder, folderPin, "icon_outputfolder");
    writeIcon(folder, subfolder, "icon_subfolder");
    writeIcon(folder, openFolder, "icon_openfolder");
    writeIcon(iface, globe, "icon_language");
    writeIcon(iface, pin, "icon_staytop");
    writeIcon(iface, button, "icon_button");
    writeIcon(dlg, welcome, "icon_welcome");
    writeIcon(dlg, dialogSym, "icon_filedialog");
    writeIcon(dlg, overwrite, "icon_overwrite");
    writeIcon(dlg, wizard, "icon_wizard");
    // The overwrite dialog's "apply to all files": stacked sheets with a tick.
    auto applyAll = [](QPainter& p) {
        p.drawLine(QPointF(4, 4), QPointF(11, 4));
        p.drawLine(QPointF(4, 4), QPointF(4, 11));
        p.drawLine(QPointF(6, 6.5), QPointF(13, 6.5));
        p.drawLine(QPointF(6, 6.5), QPointF(6, 13));
        p.drawLine(QPointF(8.5, 11), QPointF(10.5, 13.5));
        p.drawLine(QPointF(10.5, 13.5), QPointF(14.5, 8.5));
    };
    writeIcon(dlg, applyAll, "icon_applyall");
}

}  // namespace

// Every picture at its own size and at twice it ("name@2x.jpg"), for screens
// that show two pixels per point.
bool writeBoth(const std::function<QImage(qreal)>& draw, const char* name) {
    return writeJpeg(draw(1), QString("%1.jpg").arg(name)) &&
           writeJpeg(draw(2), QString("%1@2x.jpg").arg(name));
}

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: art RESOURCES_FOLDER\n");
        return 2;
    }
    const std::string resources = argv[1];
    outDir = resources + "/pictures";
    bool ok = writeBoth(product, "product") && writeBoth(help, "help") &&
              writeBoth(dialogHeader, "dialog_header") && writeBoth(aboutEmblem, "about_emblem") &&
              writeBoth(aboutBadge, "about_badge") &&
              writeBoth([](qreal s) { return authorPage(false, s); }, "author_en") &&
              writeBoth([](qreal s) { return authorPage(true, s); }, "author_de") &&
              writeBoth([](qreal s) { return morePage(false, s); }, "more_en") &&
              writeBoth([](qreal s) { return morePage(true, s); }, "more_de");
    makeIcons();
    // The program's icon in the desktop's usual sizes, and drawn to scale.
    outDir = resources + "/icons";
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        ok = writePng(appIcon(size), QString("tarnwick_%1.png").arg(size)) && ok;
    ok = writeText(appIconSvg(), "tarnwick.svg") && ok;
    // The progress window's mask, from the outline the panel above follows.
    outDir = resources + "/mask";
    QImage mask = progressMask();
    ok = mask.save(QString::fromStdString(outDir + "/mask.bmp"), "BMP") && ok;
    return ok ? 0 : 1;
}
