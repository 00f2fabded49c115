// Draws the 18 x 18 icons that only the run's dialogs carry, in the style of
// the option icons (a rounded tile with a white symbol), as PNG files into the
// folder given as the only argument.

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: art_dialogs <output folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);

    // "Apply to all files": three stacked sheets with a tick.
    QImage img(18, 18, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        const QColor color(150, 80, 170);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, 18);
        g.setColorAt(0, color.lighter(130));
        g.setColorAt(1, color.darker(120));
        p.setPen(QPen(color.darker(160), 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(0.5, 0.5, 17, 17), 4, 4);
        p.setPen(QPen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(4, 4), QPointF(11, 4));
        p.drawLine(QPointF(4, 4), QPointF(4, 11));
        p.drawLine(QPointF(6, 6.5), QPointF(13, 6.5));
        p.drawLine(QPointF(6, 6.5), QPointF(6, 13));
        p.drawLine(QPointF(8.5, 11), QPointF(10.5, 13.5));
        p.drawLine(QPointF(10.5, 13.5), QPointF(14.5, 8.5));
    }
    const QString path = folder + QStringLiteral("/apply_all.png");
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}
