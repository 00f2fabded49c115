#pragma once
// The program's windows are drawn white with dark text, whatever colour scheme
// the desktop uses: their pictures, white bands and backdrops are part of the
// design, and a dark scheme's light text would vanish on them.

class QPalette;
class QWidget;

namespace look {

// A complete light palette (every role of every colour group set), so no role
// falls through to the desktop's scheme.
QPalette LightPalette();

// Gives a window and its controls the light palette. Call it before the
// window's own colour choices (white backgrounds, link blue), which it keeps.
void UseLightLook(QWidget& window);

}  // namespace look
