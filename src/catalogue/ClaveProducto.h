#pragma once

#include <QString>

namespace kd562 {

// The shop product key of a service row: at most 10 characters built from its group,
// description and amount.
QString ClaveProducto(const QString& grupo, const QString& descripcion, double monto);
// Its short code: at most 6 characters.
QString ClaveCortaProducto(const QString& descripcion, double monto, const QString& clave);
// The amount as it appears in keys: general number format, regional separator.
QString TextoMonto(double monto);

} // namespace kd562
