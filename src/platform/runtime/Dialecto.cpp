#include "runtime/Dialecto.h"

#include "runtime/Error.h"

#include <QHash>
#include <QRegularExpression>

namespace corvanta {

namespace {

bool EsIdentificador(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// What continues a name in both engines: ASCII letters, digits, '_' and '$', and any
// non-ASCII character (a Unicode test would split names the engines read whole).
bool ContinuaNombre(QChar c) {
    const char16_t u = c.unicode();
    return u >= 0x80 || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') ||
           (u >= u'0' && u <= u'9') || u == u'_' || u == u'$';
}

// The engines' blanks; other Unicode spaces belong to a name.
bool EsBlanco(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

// ASCII case only: Unicode folding would take a long s for an s.
bool MismoNombre(QStringView texto, QStringView nombre) {
    if (texto.size() != nombre.size())
        return false;
    for (qsizetype k = 0; k < texto.size(); ++k) {
        const char16_t a = texto[k].unicode();
        const char16_t b = nombre[k].unicode();
        const auto minuscula = [](char16_t u) {
            return u >= u'A' && u <= u'Z' ? static_cast<char16_t>(u + 32) : u;
        };
        if (minuscula(a) != minuscula(b))
            return false;
    }
    return true;
}

} // namespace

const QString& Identificador(const QString& nombre) {
    static const QRegularExpression valido(QStringLiteral("^[A-Za-z_][A-Za-z0-9_.]*$"));
    if (!valido.match(nombre).hasMatch())
        throw Error(QStringLiteral("Nombre de tabla o columna no válido: %1").arg(nombre));
    return nombre;
}

QString ReemplazaFuncion(const QString& sql, const QString& nombre, const QString& reemplazo) {
    QString salida;
    salida.reserve(sql.size());
    QChar comilla; // the quote that opened the current quoted run, or null outside one
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = sql.at(i);
        if (!comilla.isNull()) {
            // A doubled quote inside the run toggles twice and so stays inside.
            if (c == comilla)
                comilla = QChar();
            salida.append(c);
            ++i;
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            comilla = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            salida.append(c);
            ++i;
            continue;
        }
        const bool inicioPalabra = i == 0 || !ContinuaNombre(sql.at(i - 1));
        if (inicioPalabra && MismoNombre(QStringView(sql).mid(i, nombre.size()), nombre)) {
            qsizetype j = i + nombre.size();
            while (j < n && EsBlanco(sql.at(j)))
                ++j;
            if (j < n && sql.at(j) == QLatin1Char('(') &&
                (i + nombre.size() >= n || !ContinuaNombre(sql.at(i + nombre.size())))) {
                salida.append(reemplazo);
                salida.append(sql.mid(i + nombre.size(), j - i - nombre.size()));
                i = j;
                continue;
            }
        }
        salida.append(c);
        ++i;
    }
    return salida;
}

QString TraduceSQL(Motor motor, const QString& sql) {
    switch (motor) {
    case Motor::Sqlite:
        // SQLite reads ISNULL as a postfix operator; its two-argument form is IFNULL.
        return ReemplazaFuncion(sql, QStringLiteral("ISNULL"), QStringLiteral("IFNULL"));
    case Motor::PostgreSql:
        return ReemplazaFuncion(sql, QStringLiteral("ISNULL"), QStringLiteral("COALESCE"));
    }
    return sql;
}

QString SentenciaFechaServidor(Motor motor) {
    switch (motor) {
    case Motor::Sqlite:
        return QStringLiteral("SELECT strftime('%Y-%m-%dT%H:%M:%S', 'now', 'localtime')");
    case Motor::PostgreSql:
        return QStringLiteral("SELECT to_char(LOCALTIMESTAMP, 'YYYY-MM-DD\"T\"HH24:MI:SS')");
    }
    return QString();
}

QString ExpresionFechaServidor(Motor motor) {
    switch (motor) {
    case Motor::Sqlite:
        return QStringLiteral("strftime('%Y-%m-%dT%H:%M:%S', 'now', 'localtime')");
    case Motor::PostgreSql:
        return QStringLiteral("date_trunc('second', LOCALTIMESTAMP)");
    }
    return QString();
}

QString SubconsultaLista(Motor motor) {
    switch (motor) {
    case Motor::Sqlite:
        return QStringLiteral("SELECT value FROM json_each(?)");
    case Motor::PostgreSql:
        return QStringLiteral("SELECT jsonb_array_elements_text(CAST(? AS jsonb))");
    }
    return QString();
}

QStringList NombresComoEnSentencia(const QStringList& campos, const QString& sql) {
    // Every name written outside quotes, by its lower-case form; the first spelling wins.
    QHash<QString, QString> escritos;
    QChar comilla;
    QString palabra;
    auto cierra = [&] {
        if (!palabra.isEmpty() && !escritos.contains(palabra.toLower()))
            escritos.insert(palabra.toLower(), palabra);
        palabra.clear();
    };
    for (const QChar c : sql) {
        if (!comilla.isNull()) {
            if (c == comilla)
                comilla = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            cierra();
            comilla = c;
        } else if (EsIdentificador(c)) {
            palabra.append(c);
        } else {
            cierra();
        }
    }
    cierra();
    QStringList nombres;
    nombres.reserve(campos.size());
    for (const QString& campo : campos)
        nombres.append(escritos.value(campo.toLower(), campo));
    return nombres;
}

} // namespace corvanta
