#pragma once

#include "gateway/Respuesta.h"

#include <QString>

namespace kd562 {

// Appends to `sql` the INSERT of one service of the gateway's reply. Texts go between
// quotes with their quotes doubled; the amount is written with a point. Throws when the
// element lacks a field or its amount is not a number.
void ArmaInsertServicio(QString& sql, const corvanta::Respuesta& oElemento, const QString& sFecha,
                        const QString& sOperador);

} // namespace kd562
