#pragma once

#include <QString>

class QSqlError;
struct pg_conn;
struct pg_result;

namespace corvanta {

// What the user reads when an engine refuses: the engine's own words, wrapped in a sentence
// that says what happened to the work in progress where the error code tells it.
QString PerdidaDeEnlace(const QString& motivo);
QString MensajeMotor(const QString& base, const QString& codigo);
QString MensajeDriver(const QSqlError& error);
// A database server that did not answer, or answered that it takes no connections now (it is
// starting or stopping): worth another try later.
QString ServidorInalcanzable(const QString& motivo);
// Whether a failure so described may pass by itself: another terminal held or changed the
// same data at the same time, or the database server could not be reached.
bool EsTransitoria(const QString& descripcion);
// An engine's own words after a sentence that says what failed, judged by the statement
// (reading, writing, the tables' shape); a text of ours that already says it stays.
QString QueFallo(const QString& motivo, const QString& sentencia);
// libpq's error for a result (or, without one, the connection's last error).
QString ErrorPq(const pg_result* resultado, pg_conn* pq);

} // namespace corvanta
