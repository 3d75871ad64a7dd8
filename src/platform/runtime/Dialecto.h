#pragma once

#include <QString>

namespace corvanta {

enum class Motor { Sqlite };

// Screens write SQL Server's dialect; this makes a statement run on the connected engine
// while touching nothing inside quoted text.
QString TraduceSQL(Motor motor, const QString& sql);

// Replaces the function-call form NAME( (any case, optional blanks before the parenthesis)
// by REEMPLAZO( outside quoted text and identifiers.
QString ReemplazaFuncion(const QString& sql, const QString& nombre, const QString& reemplazo);

} // namespace corvanta
