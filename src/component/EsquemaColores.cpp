#include "component/EsquemaColores.h"

#include "controls/ColorQIX.h"

#include <QColor>

namespace kd562 {

void FijaEsquemaColores(corvanta::ColorQIX& esquema) {
    esquema.Fija(QStringLiteral("backcolor"), QColor(245, 245, 245));
    esquema.Fija(QStringLiteral("calendarbackcolor"), QColor(255, 255, 192));
    esquema.Fija(QStringLiteral("calendarforecolor"), QColor(0, 0, 128));
    esquema.Fija(QStringLiteral("calendartitlebackcolor"), QColor(137, 177, 201));
    esquema.Fija(QStringLiteral("calendartitleforecolor"), QColor(255, 255, 255));
    esquema.Fija(QStringLiteral("calendartrailingforecolor"), QColor(0, 83, 138));
    esquema.Fija(QStringLiteral("dbgridbackcolor"), QColor(255, 255, 192));
    esquema.Fija(QStringLiteral("dbgridbackcoloreven"), QColor(255, 255, 255));
    esquema.Fija(QStringLiteral("dbgridbackcolorodd"), QColor(255, 255, 255));
    esquema.Fija(QStringLiteral("enablecolor"), QColor(255, 255, 255));
    esquema.Fija(QStringLiteral("disablecolor"), QColor(224, 224, 224));
    esquema.Fija(QStringLiteral("focuscolor"), QColor(255, 255, 255));
    esquema.Fija(QStringLiteral("labelfontsize"), 8.25);
    esquema.Fija(QStringLiteral("textfontsize"), 8.25);
    esquema.Fija(QStringLiteral("menubackcolor"), QColor(179, 204, 221));
    esquema.Fija(QStringLiteral("menufontbackcolor"), QColor(245, 236, 203));
    esquema.Fija(QStringLiteral("menuselbackcolor"), QColor(226, 213, 156));
}

} // namespace kd562
