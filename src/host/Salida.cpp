#include "host/Salida.h"

#include "runtime/EscapaLinea.h"

namespace kd562host {

void EscribeLinea(FILE* destino, const QString& texto) {
    std::fputs((corvanta::EscapaLinea(texto) + QLatin1Char('\n')).toUtf8().constData(), destino);
}

void Aviso(const QString& texto) {
    EscribeLinea(stderr, QStringLiteral("kd562: ") + texto);
}

} // namespace kd562host
