#pragma once
// The program's windows are drawn white with dark text, whatever colour scheme
// the desktop uses: their pictures, white bands and backdrops are part of the
// design, and a dark scheme's light text would vanish on them.

#include <QFrame>
#include <QGroupBox>

class QPainter;
class QPalette;
class QRect;
class QWidget;

namespace look {

// A complete light palette (every role of every colour group set), so no role
// falls through to the desktop's scheme.
QPalette LightPalette();

// Gives a window and its controls the light palette. Call it before the
// window's own colour choices (white backgrounds, link blue), which it keeps.
void UseLightLook(QWidget& window);

// The keyboard focus as the windows draw it: a dotted frame along `rect`'s
// edge, black and white so that it shows on pictures too.
void DrawFocusFrame(QPainter& painter, const QRect& rect);

// Puts a style over the application's own that draws a focused button with
// the dotted frame instead of the highlighted edge the default button has, so
// that the two can be told apart, and gives context menus the look of the
// window they open over.
void UseFocusFrameStyle();

// A white group box with a grey frame whose caption sits on the frame's top
// line, as the controls' places assume (the usual styles put it above the
// frame).
class WhiteGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A white box with a black line round it that stays one line at any scale: a
// 1-pixel border drawn at 1.5 would cover one and a half device pixels, a
// black one and a grey one inside it.
class LineBox : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace look
