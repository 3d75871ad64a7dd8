#include "runtime/Valores.h"

#include "runtime/Error.h"

#include <QDateTime>
#include <cmath>

namespace corvanta {

namespace {

bool EsNumero(const QVariant& valor) {
    switch (valor.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

Error UsoDeNull() {
    return Error(QStringLiteral("Uso no válido de Null"));
}

} // namespace

QString Texto(const QVariant& valor) {
    if (valor.isNull())
        throw UsoDeNull();
    if (valor.typeId() == QMetaType::Double || valor.typeId() == QMetaType::Float)
        return FormatoGeneral(valor.toDouble());
    // Engines with a date type hand back dates; they read as the suite writes them.
    if (valor.typeId() == QMetaType::QDateTime)
        return valor.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    return valor.toString();
}

QString Concatena(const QVariant& valor) {
    return valor.isNull() ? QString() : Texto(valor);
}

double Doble(const QVariant& valor) {
    if (valor.isNull())
        throw UsoDeNull();
    bool ok = false;
    double numero = 0;
    if (EsNumero(valor)) {
        numero = valor.toDouble(&ok);
    } else if (valor.typeId() == QMetaType::QString || valor.typeId() == QMetaType::QByteArray) {
        // The gateway writes numbers with a point; a text typed under the regional settings
        // is read next. Group separators are refused: "1.000" must not become a thousand.
        const QString texto = valor.toString().trimmed();
        QLocale punto = QLocale::c();
        punto.setNumberOptions(QLocale::RejectGroupSeparator);
        numero = punto.toDouble(texto, &ok);
        if (!ok) {
            QLocale regional;
            regional.setNumberOptions(QLocale::RejectGroupSeparator);
            numero = regional.toDouble(texto, &ok);
        }
    }
    // Anything else (a truth value, a list) is not an amount.
    if (!ok || !std::isfinite(numero))
        throw Error(QStringLiteral("No coinciden los tipos: \"%1\" no es un número")
                        .arg(valor.toString().left(60)));
    return numero;
}

QString FormatoGeneral(double numero, const QLocale& regional) {
    if (numero == 0)
        return QStringLiteral("0");
    QString texto = QString::number(numero, 'g', 15);
    const QString separador = regional.decimalPoint();
    if (separador != QStringLiteral("."))
        texto.replace(QLatin1Char('.'), separador);
    return texto;
}

QString NumeroSQL(double numero) {
    return FormatoGeneral(numero, QLocale::c());
}

QString Comillas(const QString& texto) {
    QString doblado = texto;
    return doblado.replace(QLatin1Char('\''), QStringLiteral("''"));
}

QString Recorta(const QString& texto) {
    qsizetype inicio = 0;
    qsizetype fin = texto.size();
    while (inicio < fin && texto.at(inicio) == QLatin1Char(' '))
        ++inicio;
    while (fin > inicio && texto.at(fin - 1) == QLatin1Char(' '))
        --fin;
    return texto.mid(inicio, fin - inicio);
}

bool EsTextoGuardable(const QString& texto) {
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto.at(i);
        char32_t punto = c.unicode();
        if (c.isHighSurrogate()) {
            if (i + 1 >= texto.size() || !texto.at(i + 1).isLowSurrogate())
                return false;
            punto = QChar::surrogateToUcs4(c, texto.at(i + 1));
            ++i;
        } else if (c.isLowSurrogate()) {
            return false;
        }
        if (punto == 0 || QChar::isNonCharacter(punto))
            return false;
    }
    return true;
}

QString TextoGuardable(const QString& texto, qsizetype maximo) {
    // Only what can still show is escaped: a megabyte of text needs no pass of its own.
    const QString parte = Primeros(texto, maximo);
    QString guardable;
    if (EsTextoGuardable(parte)) {
        guardable = parte;
    } else {
        guardable.reserve(parte.size());
        auto escapa = [&](char32_t punto) {
            guardable += QStringLiteral("\\u{%1}").arg(QString::number(punto, 16).toUpper(), 4,
                                                       QLatin1Char('0'));
        };
        for (qsizetype i = 0; i < parte.size(); ++i) {
            const QChar c = parte.at(i);
            if (c.isHighSurrogate() && i + 1 < parte.size() && parte.at(i + 1).isLowSurrogate()) {
                const char32_t punto = QChar::surrogateToUcs4(c, parte.at(i + 1));
                if (QChar::isNonCharacter(punto))
                    escapa(punto);
                else
                    guardable.append(parte.mid(i, 2));
                ++i;
            } else if (c.isSurrogate() || c.isNull() || QChar::isNonCharacter(c.unicode())) {
                escapa(c.unicode());
            } else {
                guardable.append(c);
            }
        }
    }
    if (parte.size() < texto.size() || guardable.size() > maximo)
        guardable = Primeros(guardable, maximo - 1) + QChar(0x2026);
    return guardable;
}

QString Primeros(const QString& texto, qsizetype n) {
    if (n <= 0)
        return QString();
    if (n >= texto.size())
        return texto;
    if (texto.at(n - 1).isHighSurrogate())
        return texto.left(n - 1);
    return texto.left(n);
}

} // namespace corvanta
