#pragma once
// The outline of the progress window, in the coordinates of the product
// picture (484 x 248) that the window shows: the emblem's disc, the band that
// holds the progress bar, and the tray around the two text lines, joined into
// one shape. The artwork generator draws the picture's panel and the window
// mask (resources/mask/mask.bmp) from this same outline, so the window, its
// mask and the picture under them always agree.

#include <QPainterPath>
#include <QPointF>
#include <QRectF>

namespace outline {

// The emblem's disc at the band's left end.
inline constexpr QPointF kDiscCentre{62, 140};
inline constexpr qreal kDiscRadius = 54;
// The band behind the progress bar, rounded at its right end.
inline constexpr QRectF kBand{92, 98, 382, 60};
// The tray around the frame of the two text lines.
inline constexpr QRectF kTray{10, 188, 456, 48};

QPainterPath ProgressOutline();

}  // namespace outline
