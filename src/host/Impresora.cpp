#include "host/Impresora.h"

#include "data/Historial.h"
#include "runtime/Error.h"

#include <QDateTime>

namespace kd562host {

std::unique_ptr<Impresora> CreaImpresoraTexto(QTextStream& salida);
std::unique_ptr<Impresora> CreaImpresoraTsv(QTextStream& salida);
std::unique_ptr<Impresora> CreaImpresoraJson(QTextStream& salida);

std::unique_ptr<Impresora> CreaImpresora(Formato formato, QTextStream& salida) {
    switch (formato) {
    case Formato::Texto:
        return CreaImpresoraTexto(salida);
    case Formato::Json:
        return CreaImpresoraJson(salida);
    case Formato::Tsv:
        return CreaImpresoraTsv(salida);
    default:
        throw corvanta::Error(QStringLiteral("Este comando no escribe ese formato"));
    }
}

QString FechaIso(const QDateTime& fecha) {
    return fecha.toOffsetFromUtc(fecha.offsetFromUtc()).toString(Qt::ISODate);
}

CambioLeido LeeCambio(const QStringList& linea) {
    CambioLeido c;
    c.marca = linea.value(0);
    const qsizetype nServicio = kd562::ColumnasServicioCambio().size();
    const qsizetype celdas = linea.size() - 1;
    const bool cambiada = c.marca == QStringLiteral("~");
    c.servicio = celdas == (cambiada ? 2 * nServicio : nServicio);
    c.columnas = c.servicio ? kd562::ColumnasServicioCambio() : kd562::ColumnasProductoCambio();
    const QStringList primera = linea.mid(1, c.columnas.size());
    if (c.marca != QStringLiteral("+"))
        c.antes = primera;
    if (cambiada)
        c.despues = linea.mid(1 + c.columnas.size());
    else if (c.marca == QStringLiteral("+"))
        c.despues = primera;
    return c;
}

} // namespace kd562host
