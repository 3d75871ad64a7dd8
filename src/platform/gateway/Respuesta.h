#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QVariant>

namespace corvanta {

// One node of the gateway's reply, read through Item and Count the way the screen does.
// Copies share the parsed document, so walking a list of 100,000 services never copies it.
class Respuesta {
public:
    Respuesta() = default;
    explicit Respuesta(QJsonValue valor);

    // Reads a reply body, which must be one JSON object. False, with a Spanish reason in
    // motivo and respuesta untouched, for anything else.
    static bool Lee(const QByteArray& cuerpo, Respuesta& respuesta, QString& motivo);

    // Member of an object; a missing member is an error.
    Respuesta Item(const QString& clave) const;
    Respuesta Item(const char* clave) const { return Item(QString::fromUtf8(clave)); }
    // Element of a list, counted from 1.
    Respuesta Item(int indice) const;
    // Elements of a list or members of an object.
    int Count() const;
    // A scalar: null gives a null QVariant, numbers double, texts QString, booleans bool.
    QVariant Valor() const;

private:
    QJsonValue mValor{QJsonValue::Undefined};
};

} // namespace corvanta
