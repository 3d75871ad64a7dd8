#include "runtime/EscritorLotes.h"

#include "runtime/Dialecto.h"

#include <cmath>

namespace corvanta {

QString EscritorLotes::ListaColumnas(const QStringList& columnas) {
    for (const QString& c : columnas)
        Identificador(c);
    return columnas.join(QStringLiteral(", "));
}

QString EscritorLotes::AsignacionesDeLote(const QStringList& columnas) {
    QStringList asignaciones;
    for (const QString& c : columnas)
        asignaciones.append(QStringLiteral("%1 = lote.%1").arg(Identificador(c)));
    return asignaciones.join(QStringLiteral(", "));
}

bool EscritorLotes::EsNulo(const QVariant& valor) {
    // A number read from a NULL is NaN; no amount or price is ever NaN otherwise.
    if (valor.typeId() == QMetaType::Double)
        return std::isnan(valor.toDouble());
    return valor.isNull() || (valor.typeId() == QMetaType::QString && valor.toString().isNull());
}

} // namespace corvanta
