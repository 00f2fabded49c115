#pragma once
// The program's windows are drawn white with dark text, whatever colour scheme
// the desktop uses: their pictures, white bands and backdrops are part of the
// design, and a dark scheme's light text would vanish on them.

#include <QGroupBox>

class QPalette;
class QWidget;

namespace look {

// A complete light palette (every role of every colour group set), so no role
// falls through to the desktop's scheme.
QPalette LightPalette();

// Gives a window and its controls the light palette. Call it before the
// window's own colour choices (white backgrounds, link blue), which it keeps.
void UseLightLook(QWidget& window);

// A white group box with a grey frame whose caption sits on the frame's top
// line, as the controls' places assume (the usual styles put it above the
// frame).
class WhiteGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace look
