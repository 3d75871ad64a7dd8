#include "runtime/Dialecto.h"

namespace corvanta {

namespace {

bool EsIdentificador(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

} // namespace

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
        const bool inicioPalabra = i == 0 || !EsIdentificador(sql.at(i - 1));
        if (inicioPalabra && sql.mid(i, nombre.size()).compare(nombre, Qt::CaseInsensitive) == 0) {
            qsizetype j = i + nombre.size();
            while (j < n && sql.at(j).isSpace())
                ++j;
            if (j < n && sql.at(j) == QLatin1Char('(') &&
                (i + nombre.size() >= n || !EsIdentificador(sql.at(i + nombre.size())))) {
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
    }
    return sql;
}

} // namespace corvanta
