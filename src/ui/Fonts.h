#pragma once
// The windows were laid out for Tahoma and MS Sans Serif. Where those are
// missing, DejaVu Sans Condensed keeps the texts within the laid-out widths;
// the system's own substitute (often a wider sans) would clip them.

#include <QFont>
#include <QString>

namespace fonts {

// `family` when installed, else DejaVu Sans Condensed when installed, else
// `family` for the system to substitute.
QString LaidOutFamily(const QString& family);

// A font of that family at `points`.
QFont LaidOut(const QString& family, int points);

}  // namespace fonts
