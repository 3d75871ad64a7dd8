#pragma once

#include <QString>
#include <QStringList>

namespace corvanta {

enum class Motor { Sqlite, PostgreSql };

// Table and column names come from the callers' code, never from user input; still, only
// plain (optionally dotted) identifiers are accepted, so a name cannot turn a statement into
// another. Returns the name; throws Error otherwise.
const QString& Identificador(const QString& nombre);

// Screens write SQL Server's dialect; this makes a statement run on the connected engine
// while touching nothing inside quoted text.
QString TraduceSQL(Motor motor, const QString& sql);

// The statement that reads the server's local date and time as yyyy-MM-ddTHH:mm:ss.
QString SentenciaFechaServidor(Motor motor);

// An expression for the server's local date and time, to write into a date column.
QString ExpresionFechaServidor(Motor motor);

// A subquery that yields, one row each, the texts of a JSON array bound as its one parameter:
// a list of any length in one statement, with every value bound.
QString SubconsultaLista(Motor motor);

// Field names as the statement spelled them. PostgreSQL folds unquoted names to lower case;
// the names a screen shows (its aliases) must read as written.
QStringList NombresComoEnSentencia(const QStringList& campos, const QString& sql);

// Replaces the function-call form NAME( (any case, optional blanks before the parenthesis)
// by REEMPLAZO( outside quoted text and identifiers.
QString ReemplazaFuncion(const QString& sql, const QString& nombre, const QString& reemplazo);

} // namespace corvanta
