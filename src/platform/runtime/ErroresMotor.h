#pragma once

#include <QString>

class QSqlError;

namespace corvanta {

// What the user reads when an engine refuses: the engine's own words, wrapped in a sentence
// that says what happened to the work in progress where the error code tells it.
QString PerdidaDeEnlace(const QString& motivo);
QString MensajeMotor(const QString& base, const QString& codigo);
QString MensajeDriver(const QSqlError& error);

} // namespace corvanta
