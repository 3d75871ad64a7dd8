#include "account/ConsultaPasarela.h"

#include "data/Avance.h"
#include "forms/DialogoAvance.h"
#include "runtime/Valores.h"

#include <atomic>

using namespace corvanta;

namespace kd562 {

bool ConsultaMientrasEspera(ClienteServicio& cliente, ParametrosConsulta& parametros,
                            Respuesta& respuesta, DialogoAvance* dialogo,
                            const std::function<void(qint64)>& alAvance) {
    std::atomic<qint64> recibidos{0};
    cliente.setAvance([&recibidos](qint64 bytes) { recibidos = bytes; });
    cliente.setCancelacion(dialogo ? &dialogo->Cancelacion() : nullptr);
    bool respondio = false;
    DialogoAvance::Espera([&] { respondio = cliente.ConsultaProductos(parametros, respuesta); },
                          [&] { alAvance(recibidos); });
    alAvance(recibidos);
    cliente.setAvance(nullptr);
    cliente.setCancelacion(nullptr);
    if (dialogo)
        dialogo->PermiteCancelar(false);
    return respondio;
}

ResultadoPrueba PruebaPasarela(ClienteServicio& cliente, ParametrosConsulta& parametros,
                               QWidget* ventana) {
    const auto dialogo = DialogoAvance::Sobre(ventana, QStringLiteral("Probar conexión"));
    const auto informa = [&](qint64 bytes) {
        if (dialogo)
            dialogo->Informa(TextoAvance(AvanceRecibidos, bytes, 0));
    };
    Respuesta respuesta;
    ResultadoPrueba prueba;
    if (!ConsultaMientrasEspera(cliente, parametros, respuesta, dialogo.get(), informa)) {
        prueba.transitoria = cliente.FallaTransitoria();
        prueba.texto = cliente.UltimoError();
        return prueba;
    }
    if (Concatena(respuesta.Item("code").Valor()) != QStringLiteral("200")) {
        prueba.texto = QStringLiteral("La pasarela no aceptó la cuenta: ") +
                       Concatena(respuesta.Item("message").Valor());
        return prueba;
    }
    prueba.respondio = true;
    prueba.texto =
        QStringLiteral("La pasarela respondió: %1 servicios").arg(respuesta.Item("result").Count());
    return prueba;
}

ResultadoPrueba PruebaPasarela(const QString& url, const QString& usuario, const QString& password,
                               QWidget* ventana) {
    ClienteServicio cliente;
    ParametrosConsulta parametros;
    parametros.setTipo(QStringLiteral("TAE"));
    cliente.setServicio(QStringLiteral("wsServiceVorn"));
    cliente.setURL(url);
    cliente.setUsuario(usuario);
    cliente.setPassword(password);
    return PruebaPasarela(cliente, parametros, ventana);
}

} // namespace kd562
