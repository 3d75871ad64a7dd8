#include "host/Confirmacion.h"

#include "runtime/MensajesConsola.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

namespace kd562host {

bool Interactiva(const Opciones& o) {
    return !o.si && !o.simulacion &&
           (o.comando == QStringLiteral("sync") || o.comando == QStringLiteral("undo")) &&
           ::isatty(STDIN_FILENO) == 1 && ::isatty(STDERR_FILENO) == 1;
}

int PreguntaEnTerminal(const corvanta::Mensaje& mensaje) {
    if (mensaje.titulo == QStringLiteral("Generar nueva configuración?"))
        return corvanta::RespuestaSi;
    const QString pregunta = QStringLiteral("\r\x1b[K") +
                             corvanta::MensajesConsola::Linea(mensaje, true) +
                             QStringLiteral(" [s/N] ");
    std::fputs(pregunta.toUtf8().constData(), stderr);
    std::fflush(stderr);
    std::string linea;
    if (!std::getline(std::cin, linea))
        std::fputs("\n", stderr);
    const char primera = linea.empty() ? 'n' : linea.front();
    return primera == 's' || primera == 'S' || primera == 'y' || primera == 'Y'
               ? corvanta::RespuestaSi
               : corvanta::RespuestaNo;
}

} // namespace kd562host
