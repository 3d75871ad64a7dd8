#include "forms/Manejador.h"

#include "runtime/Error.h"
#include "runtime/Sesion.h"

namespace corvanta {

void Manejador(const std::function<void()>& accion) {
    try {
        accion();
    } catch (const std::exception& e) {
        corvanta::Mensaje mensaje;
        mensaje.texto = DescripcionDe(e);
        mensaje.estilo = Critico;
        mensaje.titulo = QStringLiteral("Corvanta");
        Sesion::Mensajes().Muestra(mensaje);
    }
}

} // namespace corvanta
