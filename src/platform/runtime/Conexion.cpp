#include "runtime/Conexion.h"

#include "runtime/Sesion.h"

namespace corvanta {

Connection& Conexion::Cnn() {
    return Sesion::Conexion();
}

QString Conexion::Operador() {
    return Sesion::Operador();
}

int Conexion::Mensaje(const QString& texto, int estilo, const QString& titulo, QWidget* ventana,
                      const QString& modulo, const QString& idError) {
    corvanta::Mensaje mensaje;
    mensaje.texto = texto;
    mensaje.estilo = estilo;
    mensaje.titulo = titulo;
    mensaje.propietario = ventana;
    mensaje.modulo = modulo;
    mensaje.idError = idError;
    return Sesion::Mensajes().Muestra(mensaje);
}

} // namespace corvanta
