#include "PruebaDialecto.h"

#include "data/Tablas.h"
#include "runtime/Connection.h"
#include "runtime/Dialecto.h"

#include <QByteArray>
#include <QList>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sqlite3.h>

using namespace corvanta;

namespace {

[[noreturn]] void Falla(const char* que, const QString& entrada, const QString& salida) {
    std::fprintf(stderr, "%s\n  entrada: %s\n  salida:  %s\n", que,
                 entrada.left(2000).toUtf8().constData(), salida.left(2000).toUtf8().constData());
    std::abort();
}

// A run of text either inside quotes (with its quotes) or outside them. Quotes are read as
// the screens write them: '...' and "..." with the quote doubled inside, and [...].
struct Tramo {
    bool citado;
    QString texto;
};

QList<Tramo> Tramos(const QString& sql) {
    QList<Tramo> tramos;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        const qsizetype desde = i;
        if (c == u'\'' || c == u'"' || c == u'[') {
            const QChar cierre = c == u'[' ? QChar(u']') : c;
            ++i;
            for (;;) {
                while (i < n && sql.at(i) != cierre)
                    ++i;
                if (i >= n)
                    break; // unterminated: runs to the end
                ++i;
                if (cierre == u']' || i >= n || sql.at(i) != cierre)
                    break;
                ++i; // a doubled quote stays inside
            }
            tramos.append({true, sql.mid(desde, i - desde)});
        } else {
            while (i < n && sql.at(i) != u'\'' && sql.at(i) != u'"' && sql.at(i) != u'[')
                ++i;
            tramos.append({false, sql.mid(desde, i - desde)});
        }
    }
    return tramos;
}

// Characters that continue a name in both engines: any non-ASCII character counts, as
// SQLite and PostgreSQL read it, and so does '$'.
bool DeNombre(QChar c) {
    const char16_t u = c.unicode();
    return u >= 0x80 || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') ||
           (u >= u'0' && u <= u'9') || u == u'_' || u == u'$';
}

// SQLite's blanks (PostgreSQL reads the same ones).
bool Blanco(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

// The word ISNULL in any ASCII case at i, as a whole name, followed by blanks and '('.
bool LlamadaIsnull(const QString& s, qsizetype i) {
    static const char nombre[] = "isnull";
    if (i > 0 && DeNombre(s.at(i - 1)))
        return false;
    if (i + 6 > s.size())
        return false;
    for (int k = 0; k < 6; ++k) {
        const char16_t u = s.at(i + k).unicode();
        if ((u | 0x20) != nombre[k] || u >= 0x80)
            return false;
    }
    qsizetype j = i + 6;
    while (j < s.size() && Blanco(s.at(j)))
        ++j;
    return j < s.size() && s.at(j) == u'(';
}

// Text outside quotes: each call of ISNULL becomes the engine's name, the rest stays.
bool FueraIgual(const QString& antes, const QString& despues, const QString& reemplazo) {
    qsizetype k = 0;
    for (qsizetype i = 0; i < antes.size();) {
        if (LlamadaIsnull(antes, i)) {
            if (QStringView(despues).mid(k, reemplazo.size()) != reemplazo)
                return false;
            i += 6;
            k += reemplazo.size();
            continue;
        }
        if (k >= despues.size() || antes.at(i) != despues.at(k))
            return false;
        ++i;
        ++k;
    }
    return k == despues.size();
}

void RevisaComillas(const QString& entrada, const QString& salida, const QString& reemplazo) {
    const QList<Tramo> a = Tramos(entrada);
    const QList<Tramo> b = Tramos(salida);
    if (a.size() != b.size())
        Falla("la reescritura cambió los tramos entre comillas", entrada, salida);
    for (qsizetype t = 0; t < a.size(); ++t) {
        if (a.at(t).citado != b.at(t).citado)
            Falla("la reescritura cambió los tramos entre comillas", entrada, salida);
        if (a.at(t).citado ? a.at(t).texto != b.at(t).texto
                           : !FueraIgual(a.at(t).texto, b.at(t).texto, reemplazo))
            Falla(a.at(t).citado ? "la reescritura cambió texto entre comillas"
                                 : "la reescritura cambió algo más que ISNULL(",
                  entrada, salida);
    }
}

sqlite3* Base() {
    static sqlite3* db = [] {
        sqlite3* d = nullptr;
        if (sqlite3_open(":memory:", &d) != SQLITE_OK)
            std::abort();
        // The module's tables, so that statements the screens write name what exists.
        const auto definicion = Connection::Abre(QStringLiteral("sqlite::memory:"));
        for (const QString& sentencia : kd562::DefinicionTablas(*definicion))
            if (sqlite3_exec(d, sentencia.toUtf8().constData(), nullptr, nullptr, nullptr) !=
                SQLITE_OK)
                std::abort();
        return d;
    }();
    return db;
}

enum class Preparada { Si, NombreAusente, No };

// Whether SQLite prepares every statement of the text. A failure that only names what this
// schema lacks (a table, column, function...) is a statement SQLite could prepare elsewhere;
// any other failure (syntax, wrong arguments) is not.
Preparada Prepara(const QString& sql) {
    QByteArray texto = sql.toUtf8();
    texto.truncate(texto.indexOf('\0') < 0 ? texto.size() : texto.indexOf('\0'));
    const char* resto = texto.constData();
    const char* fin = resto + texto.size();
    while (resto < fin) {
        sqlite3_stmt* sentencia = nullptr;
        const char* cola = nullptr;
        const int rc =
            sqlite3_prepare_v2(Base(), resto, static_cast<int>(fin - resto), &sentencia, &cola);
        sqlite3_finalize(sentencia);
        if (rc != SQLITE_OK) {
            static const char* const ausentes[] = {
                "no such table",     "no such column",       "no such function", "no such module",
                "no such collation", "unknown database",     "no such index",    "no such view",
                "no such trigger",   "ambiguous column name"};
            const QByteArray mensaje(sqlite3_errmsg(Base()));
            for (const char* ausente : ausentes)
                if (mensaje.startsWith(ausente))
                    return Preparada::NombreAusente;
            if (mensaje.contains("already exists"))
                return Preparada::NombreAusente;
            return Preparada::No;
        }
        if (cola == nullptr || cola <= resto)
            break;
        resto = cola;
    }
    return Preparada::Si;
}

} // namespace

void PruebaDialecto(const uint8_t* datos, size_t tamano) {
    const QString entrada =
        QString::fromUtf8(reinterpret_cast<const char*>(datos), static_cast<qsizetype>(tamano));
    const QString sqlite = TraduceSQL(Motor::Sqlite, entrada);
    RevisaComillas(entrada, sqlite, QStringLiteral("IFNULL"));
    RevisaComillas(entrada, TraduceSQL(Motor::PostgreSql, entrada), QStringLiteral("COALESCE"));
    // ISNULL(a, b) is itself a syntax error in SQLite, which the rewrite repairs: only a
    // statement that SQLite could prepare before is held to preparing after.
    if (Prepara(entrada) != Preparada::No && Prepara(sqlite) == Preparada::No)
        Falla("SQLite preparaba la sentencia pero no su reescritura", entrada, sqlite);
}
