#pragma once

#include "runtime/ServicioMensajes.h"

#include <QList>
#include <functional>

namespace corvanta {

// Records every message and gives scripted answers; tests install it instead of message
// boxes. With no scripted answer left a question is answered Yes.
class MensajesGrabados : public ServicioMensajes {
public:
    // Reads the application's mouse pointer, which the forms layer keeps; without one every
    // message records 0.
    using LeePuntero = std::function<int()>;
    explicit MensajesGrabados(LeePuntero leePuntero = {}) : mLeePuntero(std::move(leePuntero)) {}

    struct Registro {
        Mensaje mensaje;
        int puntero = 0; // application mouse pointer when the message was shown
    };

    int Muestra(const Mensaje& mensaje) override;

    void Responde(int respuesta) { mRespuestas.append(respuesta); }
    // Runs inside the next message, as if the user acted while the box was open.
    void AlMostrar(std::function<void(const Mensaje&)> accion) { mAccion = std::move(accion); }

    const QList<Registro>& Registros() const { return mRegistros; }
    qsizetype Cuenta() const { return mRegistros.size(); }
    const Mensaje& Ultimo() const { return mRegistros.constLast().mensaje; }
    const Mensaje& En(qsizetype i) const { return mRegistros.at(i).mensaje; }
    void Limpia() { mRegistros.clear(); }

private:
    QList<Registro> mRegistros;
    QList<int> mRespuestas;
    std::function<void(const Mensaje&)> mAccion;
    LeePuntero mLeePuntero;
};

} // namespace corvanta
