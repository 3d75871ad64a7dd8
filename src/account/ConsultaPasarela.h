#pragma once

#include "gateway/ClienteServicio.h"

#include <QString>
#include <QWidget>
#include <functional>

namespace corvanta {
class DialogoAvance;
}

namespace kd562 {

// The gateway's catalogue query, run so that the window stays alive: the request goes on a
// thread of its own while dialogo (if any) offers "Cancelar", and alAvance hears the bytes
// received at least every 200 ms whether or not any arrive. "Cancelar" is disabled once the
// reply is in.
bool ConsultaMientrasEspera(corvanta::ClienteServicio& cliente,
                            corvanta::ParametrosConsulta& parametros,
                            corvanta::Respuesta& respuesta, corvanta::DialogoAvance* dialogo,
                            const std::function<void(qint64)>& alAvance);

// What a test of an account found.
struct ResultadoPrueba {
    bool respondio = false;   // the gateway accepted the account and sent its catalogue
    bool transitoria = false; // a failure that may pass by itself
    QString texto;            // "La pasarela respondió: N servicios", or why not
};

// Queries the gateway with a client set up for an account, or with an account as given,
// writing nothing anywhere; a progress window over ventana while it waits, when it shows.
ResultadoPrueba PruebaPasarela(corvanta::ClienteServicio& cliente,
                               corvanta::ParametrosConsulta& parametros, QWidget* ventana);
ResultadoPrueba PruebaPasarela(const QString& url, const QString& usuario, const QString& password,
                               QWidget* ventana);

} // namespace kd562
