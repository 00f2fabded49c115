#include "ui/Look.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleOption>
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

void DrawFocusFrame(QPainter& painter, const QRect& rect) {
    painter.save();
    QPen pen(Qt::black, 1, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    pen.setColor(Qt::white);
    pen.setDashOffset(1);
    painter.setPen(pen);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

namespace {
class FocusFrameStyle : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (element != CE_PushButton || !button || !(option->state & State_HasFocus)) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        QStyleOptionButton plain(*button);
        plain.state &= ~State_HasFocus;
        QProxyStyle::drawControl(element, &plain, painter, widget);
        DrawFocusFrame(*painter, option->rect.adjusted(4, 4, -4, -4));
    }

    // A menu is a window of its own and would take the desktop's scheme: the
    // context menu of a field takes the look of the window it opens over.
    void polish(QWidget* widget) override {
        if (qobject_cast<QMenu*>(widget) && widget->parentWidget())
            widget->setAttribute(Qt::WA_WindowPropagation);
        QProxyStyle::polish(widget);
    }
    using QProxyStyle::polish;
};
}  // namespace

void UseFocusFrameStyle() { QApplication::setStyle(new FocusFrameStyle); }

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

void LineBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // In device pixels: the line is a whole number of them, as wide as one
    // pixel of the design scaled down to whole pixels, along the box's edge.
    const qreal ratio = devicePixelRatioF();
    p.scale(1 / ratio, 1 / ratio);
    const QRect box(0, 0, qRound(width() * ratio), qRound(height() * ratio));
    const int line = qMax(1, int(ratio));
    p.fillRect(box, Qt::white);
    p.fillRect(box.left(), box.top(), box.width(), line, Qt::black);
    p.fillRect(box.left(), box.bottom() - line + 1, box.width(), line, Qt::black);
    p.fillRect(box.left(), box.top(), line, box.height(), Qt::black);
    p.fillRect(box.right() - line + 1, box.top(), line, box.height(), Qt::black);
}

}  // namespace look
