#include "gateway/Respuesta.h"

#include "runtime/Error.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <utility>

namespace corvanta {

namespace {

QString Naturaleza(const QJsonValue& valor) {
    switch (valor.type()) {
    case QJsonValue::Null:
        return QStringLiteral("un valor nulo");
    case QJsonValue::Bool:
        return QStringLiteral("un valor lógico");
    case QJsonValue::Double:
        return QStringLiteral("un número");
    case QJsonValue::String:
        return QStringLiteral("un texto");
    case QJsonValue::Array:
        return QStringLiteral("una lista");
    case QJsonValue::Object:
        return QStringLiteral("un objeto");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("una respuesta vacía");
}

} // namespace

Respuesta::Respuesta(QJsonValue valor) : mValor(std::move(valor)) {}

bool Respuesta::Lee(const QByteArray& cuerpo, Respuesta& respuesta, QString& motivo) {
    if (cuerpo.trimmed().isEmpty()) {
        motivo = QStringLiteral("El servicio devolvió una respuesta vacía; se esperaba un objeto "
                                "JSON.");
        return false;
    }
    QJsonParseError error;
    const QJsonDocument documento = QJsonDocument::fromJson(cuerpo, &error);
    if (error.error != QJsonParseError::NoError) {
        motivo = QStringLiteral("La respuesta del servicio no es JSON válido (error en la "
                                "posición %1).")
                     .arg(error.offset);
        return false;
    }
    if (!documento.isObject()) {
        motivo = QStringLiteral("La respuesta del servicio no es un objeto JSON: se recibió %1.")
                     .arg(documento.isArray() ? QStringLiteral("una lista")
                                              : QStringLiteral("un valor simple"));
        return false;
    }
    respuesta = Respuesta(QJsonValue(documento.object()));
    return true;
}

Respuesta Respuesta::Item(const QString& clave) const {
    if (!mValor.isObject()) {
        throw Error(QStringLiteral("No se puede leer el miembro «%1» de la respuesta del servicio: "
                                   "el elemento es %2, no un objeto.")
                        .arg(clave, Naturaleza(mValor)));
    }
    // toObject() and value() share the parsed data: a large list is never copied.
    const QJsonObject objeto = mValor.toObject();
    if (!objeto.contains(clave)) {
        throw Error(
            QStringLiteral("La respuesta del servicio no contiene el miembro «%1».").arg(clave));
    }
    return Respuesta(objeto.value(clave));
}

Respuesta Respuesta::Item(int indice) const {
    if (!mValor.isArray()) {
        throw Error(QStringLiteral("No se puede leer el elemento %1 de la respuesta del servicio: "
                                   "el elemento es %2, no una lista.")
                        .arg(indice)
                        .arg(Naturaleza(mValor)));
    }
    const QJsonArray lista = mValor.toArray();
    if (indice < 1 || indice > lista.size()) {
        throw Error(QStringLiteral("El índice %1 está fuera de la lista de la respuesta del "
                                   "servicio, que tiene %2 elementos (se cuenta desde 1).")
                        .arg(indice)
                        .arg(lista.size()));
    }
    return Respuesta(lista.at(indice - 1));
}

int Respuesta::Count() const {
    if (mValor.isArray()) {
        return static_cast<int>(mValor.toArray().size());
    }
    if (mValor.isObject()) {
        return static_cast<int>(mValor.toObject().size());
    }
    throw Error(QStringLiteral("No se pueden contar los elementos de la respuesta del servicio: "
                               "el elemento es %1, no una lista.")
                    .arg(Naturaleza(mValor)));
}

QVariant Respuesta::Valor() const {
    switch (mValor.type()) {
    case QJsonValue::Null:
        return QVariant();
    case QJsonValue::Bool:
        return QVariant(mValor.toBool());
    case QJsonValue::Double:
        return QVariant(mValor.toDouble());
    case QJsonValue::String:
        return QVariant(mValor.toString());
    case QJsonValue::Array:
    case QJsonValue::Object:
    case QJsonValue::Undefined:
        break;
    }
    throw Error(QStringLiteral("El elemento de la respuesta del servicio es %1 y no tiene un "
                               "valor simple.")
                    .arg(Naturaleza(mValor)));
}

} // namespace corvanta
