#pragma once

#include <QLocale>
#include <QString>
#include <QVariant>

// Conversions of database and gateway values as the suite's screens expect them:
// a NULL cannot become text or a number, but concatenates as empty text.
namespace corvanta {

QString Texto(const QVariant& valor);     // NULL is an error
QString Concatena(const QVariant& valor); // NULL gives ""
double Doble(const QVariant& valor);      // NULL or non-numeric is an error

// General number format: whole digits without grouping, the fraction only when there is
// one, no trailing zeros, at most 15 significant digits, with the locale's separator.
QString FormatoGeneral(double numero, const QLocale& regional = QLocale());
// A number written into SQL text always uses a point, whatever the locale.
QString NumeroSQL(double numero);
// A text value placed between single quotes in SQL: every quote doubled.
QString Comillas(const QString& texto);
// Leading and trailing blanks (spaces only) removed.
QString Recorta(const QString& texto);
// True when a database can keep the text exactly as it is: every UTF-16 surrogate is half
// of a pair, and there is no NUL and no Unicode noncharacter (such as U+FFFF). A JSON
// escape like "\ud83d" or "\u0000" can produce either.
bool EsTextoGuardable(const QString& texto);
// The text with each character that EsTextoGuardable refuses written as "\u{XXXX}" (its
// code in hexadecimal), cut to at most `maximo` characters, the last one "…" when cut: for
// text that must be kept whatever it holds, such as a remote server's message.
QString TextoGuardable(const QString& texto, qsizetype maximo);
// The first n characters; a character outside the Basic Multilingual Plane that the cut
// would split is left out whole, so the result is always valid text.
QString Primeros(const QString& texto, qsizetype n);

} // namespace corvanta
