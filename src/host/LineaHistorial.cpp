#include "host/LineaHistorial.h"

#include "data/Historial.h"

namespace kd562host {

LineaHistorial LeeLineaHistorial(corvanta::Connection& cnn) {
    LineaHistorial linea;
    if (!kd562::ExisteHistorial(cnn))
        return linea;
    const std::optional<kd562::EntradaHistorial> ultima = kd562::UltimaConfirmada(cnn);
    if (ultima) {
        const QString cuando = kd562::FechaEnPantalla(ultima->fecha);
        linea.ultima =
            ultima->resultado == kd562::Resultado::Deshacer
                ? QStringLiteral("Descarga %1 deshecha: %2 (%3)")
                      .arg(ultima->deshace)
                      .arg(cuando, ultima->operador)
                : QStringLiteral("Última descarga: %1 (%2)").arg(cuando, ultima->operador);
        if (ultima->cuentas)
            linea.resumen = kd562::LineasDeCuentas(*ultima->cuentas).join(QLatin1Char('\n'));
    }
    if (const auto intento = kd562::IntentoPosterior(cnn, ultima ? ultima->numero : 0))
        linea.fallo = QStringLiteral("Falló la descarga del %1: %2")
                          .arg(kd562::FechaEnPantalla(intento->fecha), intento->mensaje);
    return linea;
}

} // namespace kd562host
