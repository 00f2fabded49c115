#include "ui/Look.h"

#include <QPainter>
#include <QPalette>
#include <QWidget>

namespace look {

QPalette LightPalette() {
    const QColor window(239, 239, 239);
    const QColor text(Qt::black);
    const QColor disabledText(150, 150, 150);
    QPalette p(text, window, window.lighter(150), window.darker(150), window.darker(130), text,
               Qt::white, Qt::white, window);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool off = group == QPalette::Disabled;
        p.setColor(group, QPalette::WindowText, off ? disabledText : text);
        p.setColor(group, QPalette::Text, off ? disabledText : text);
        p.setColor(group, QPalette::ButtonText, off ? disabledText : text);
        p.setColor(group, QPalette::Button, window);
        p.setColor(group, QPalette::Base, off ? window : QColor(Qt::white));
        p.setColor(group, QPalette::AlternateBase, QColor(247, 247, 247));
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::Light, Qt::white);
        p.setColor(group, QPalette::Midlight, window.lighter(110));
        p.setColor(group, QPalette::Dark, window.darker(150));
        p.setColor(group, QPalette::Mid, window.darker(130));
        p.setColor(group, QPalette::Shadow, window.darker(200));
        p.setColor(group, QPalette::BrightText, Qt::white);
        p.setColor(group, QPalette::Highlight, off ? QColor(145, 145, 145) : QColor(48, 140, 198));
        p.setColor(group, QPalette::HighlightedText, Qt::white);
        p.setColor(group, QPalette::Link, Qt::blue);
        p.setColor(group, QPalette::LinkVisited, Qt::magenta);
        p.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 220));
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::PlaceholderText, QColor(0, 0, 0, 128));
    }
    return p;
}

void UseLightLook(QWidget& window) { window.setPalette(LightPalette()); }

void WhiteGroupBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QFontMetrics fm(font());
    p.setPen(QColor(184, 184, 184));
    p.drawRect(rect().adjusted(0, fm.height() / 2, -1, -1));
    const QRect caption(8, 0, fm.horizontalAdvance(title()), fm.height());
    p.fillRect(caption, Qt::white);
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter, title());
}

}  // namespace look
