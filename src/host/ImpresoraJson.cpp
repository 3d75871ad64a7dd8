#include "host/Impresora.h"

#include "data/Historial.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace kd562host {

namespace {

// The version of the documents' shape; a script checks it before it reads on.
constexpr int kVersionFormato = 1;

// Columns whose values are numbers in the history's change rows.
bool EsNumerica(const QString& columna) {
    return columna == QStringLiteral("Psp_Monto") || columna == QStringLiteral("Pr_Precio") ||
           columna.startsWith(QStringLiteral("Pr_Valor")) ||
           columna == QStringLiteral("Pr_Impuesto");
}

QJsonValue Numero(const QString& texto) {
    bool ok = false;
    double numero = texto.toDouble(&ok);
    if (!ok)
        numero = QLocale().toDouble(texto, &ok);
    return ok ? QJsonValue(numero) : QJsonValue(texto.isEmpty() ? QJsonValue() : texto);
}

QJsonValue Valor(const QVariant& v, Columna::Tipo tipo = Columna::Texto) {
    if (v.isNull() || !v.isValid())
        return QJsonValue();
    switch (v.typeId()) {
    case QMetaType::QDateTime:
        return FechaIso(v.toDateTime());
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
        return v.toLongLong();
    case QMetaType::Double:
        return v.toDouble();
    case QMetaType::QStringList:
    case QMetaType::QVariantMap:
        return QJsonValue::fromVariant(v);
    default:
        return tipo == Columna::Numero ? Numero(v.toString()) : QJsonValue(v.toString());
    }
}

// One value as compact JSON text: Qt writes documents, so it is wrapped in one.
QByteArray Texto(const QJsonValue& valor) {
    const QByteArray arreglo = QJsonDocument(QJsonArray{valor}).toJson(QJsonDocument::Compact);
    return arreglo.mid(1, arreglo.size() - 2);
}

// One document, written as it is produced: a member at a time, a row at a time.
class ImpresoraJson : public Impresora {
public:
    explicit ImpresoraJson(QTextStream& salida) : mSalida(salida) {
        mSalida << "{\"formato\": " << kVersionFormato;
    }
    void Hecho(const QString& clave, const QVariant& valor) override { Dato(clave, valor); }
    void Dato(const QString& clave, const QVariant& valor) override {
        CierraFilas();
        Miembro(clave) << Texto(Valor(valor));
    }
    void Empieza(const QString& nombre, const QList<Columna>& columnas) override {
        CierraFilas();
        mColumnas = columnas;
        Miembro(nombre) << '[';
        mFilas = 0;
        mAbiertas = true;
    }
    void Agrega(const Fila& fila) override {
        QJsonObject objeto;
        for (qsizetype i = 0; i < fila.size() && i < mColumnas.size(); ++i)
            objeto.insert(mColumnas.at(i).clave, Valor(fila.at(i), mColumnas.at(i).tipo));
        Elemento(objeto);
    }
    void TerminaFilas(const QString&) override { CierraFilas(); }
    void Cambio(const QStringList& linea) override {
        if (!mAbiertas)
            Empieza(QStringLiteral("cambios"), {});
        const CambioLeido c = LeeCambio(linea);
        const auto fila = [&](const QStringList& celdas) {
            QJsonObject objeto;
            for (qsizetype i = 0; i < c.columnas.size(); ++i)
                objeto.insert(c.columnas.at(i), EsNumerica(c.columnas.at(i))
                                                    ? Numero(celdas.value(i))
                                                    : QJsonValue(celdas.value(i)));
            return objeto;
        };
        QJsonObject cambio{{QStringLiteral("cambio"), c.marca},
                           {QStringLiteral("tipo"),
                            c.servicio ? QStringLiteral("servicio") : QStringLiteral("producto")}};
        if (!c.antes.isEmpty())
            cambio.insert(QStringLiteral("antes"), fila(c.antes));
        if (!c.despues.isEmpty())
            cambio.insert(QStringLiteral("despues"), fila(c.despues));
        QJsonArray campos;
        for (const kd562::CampoCambiado& campo :
             kd562::DiferenciaCampos(c.columnas, c.antes, c.despues))
            campos.append(campo.campo);
        cambio.insert(QStringLiteral("campos"), campos);
        Elemento(cambio);
    }
    void Termina() override {
        CierraFilas();
        mSalida << "}\n";
        mSalida.flush();
    }

private:
    QTextStream& Miembro(const QString& clave) { return mSalida << ",\n" << Texto(clave) << ": "; }
    void Elemento(const QJsonObject& objeto) {
        mSalida << (mFilas++ ? ",\n" : "\n")
                << QJsonDocument(objeto).toJson(QJsonDocument::Compact);
    }
    void CierraFilas() {
        if (!mAbiertas)
            return;
        mSalida << (mFilas ? "\n]" : "]");
        mAbiertas = false;
    }
    QTextStream& mSalida;
    QList<Columna> mColumnas;
    qint64 mFilas = 0;
    bool mAbiertas = false;
};

} // namespace

std::unique_ptr<Impresora> CreaImpresoraJson(QTextStream& salida) {
    return std::make_unique<ImpresoraJson>(salida);
}

} // namespace kd562host
