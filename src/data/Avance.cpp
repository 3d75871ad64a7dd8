#include "data/Avance.h"

namespace kd562 {

QString TextoAvance(int fase, qint64 hecho, qint64 total) {
    switch (fase) {
    case AvanceRecibidos:
        return QStringLiteral("Recibidos %1 KiB de la pasarela").arg(hecho / 1024);
    case AvancePlaneados:
        return QStringLiteral("Planeados %1 de %2 servicios").arg(hecho).arg(total);
    case AvanceServicios:
        return QStringLiteral("Escritos %1 de %2 servicios").arg(hecho).arg(total);
    default:
        return QStringLiteral("Escritos %1 de %2 productos").arg(hecho).arg(total);
    }
}

} // namespace kd562
