#include "ui/Fonts.h"

#include <QFontDatabase>
#include <QHash>

namespace fonts {

QString LaidOutFamily(const QString& family) {
    // Every test of a family asks fontconfig for its substitutes again, and
    // the windows ask for the same two families many times over.
    static QHash<QString, QString> chosen;
    if (const auto it = chosen.constFind(family); it != chosen.constEnd()) return *it;
    QString result = family;
    if (!QFontDatabase::hasFamily(family)) {
        static const QString condensed = QStringLiteral("DejaVu Sans Condensed");
        static const bool haveCondensed = QFontDatabase::hasFamily(condensed);
        if (haveCondensed) result = condensed;
    }
    chosen.insert(family, result);
    return result;
}

QFont LaidOut(const QString& family, int points) { return QFont(LaidOutFamily(family), points); }

}  // namespace fonts
