#include "ui/Fonts.h"

#include <QFontDatabase>

namespace fonts {

QString LaidOutFamily(const QString& family) {
    static const QString condensed = QStringLiteral("DejaVu Sans Condensed");
    if (QFontDatabase::hasFamily(family)) return family;
    if (QFontDatabase::hasFamily(condensed)) return condensed;
    return family;
}

QFont LaidOut(const QString& family, int points) { return QFont(LaidOutFamily(family), points); }

}  // namespace fonts
