#include "extract/Outline.h"

namespace outline {

QPainterPath ProgressOutline() {
    QPainterPath disc;
    disc.addEllipse(kDiscCentre, kDiscRadius, kDiscRadius);
    QPainterPath band;
    band.addRoundedRect(kBand, kBand.height() / 2, kBand.height() / 2);
    QPainterPath tray;
    tray.addRoundedRect(kTray, 9, 9);
    return disc.united(band).united(tray).simplified();
}

}  // namespace outline
