#include "runtime/Sesion.h"

#include "runtime/Error.h"
#include "runtime/MensajesConsola.h"

#include <QCoreApplication>

namespace corvanta {

namespace {

struct Estado {
    QString url;
    QString operador;
    std::shared_ptr<ServicioMensajes> mensajes;
    std::unique_ptr<Connection> conexion;
    bool creaBase = true;
};

Estado& Datos() {
    static Estado estado;
    return estado;
}

} // namespace

void Sesion::Configura(const QString& urlBase, const QString& operador,
                       std::shared_ptr<ServicioMensajes> mensajes) {
    Estado& e = Datos();
    e.conexion.reset();
    e.url = urlBase;
    e.operador = operador;
    e.mensajes = std::move(mensajes);
}

void Sesion::Cierra() {
    Datos().conexion.reset();
}

Connection& Sesion::Conexion() {
    Estado& e = Datos();
    if (!e.conexion) {
        if (e.url.isEmpty())
            throw Error(QStringLiteral("La sesión no tiene una base de datos configurada"));
        e.conexion = Connection::Abre(e.url, e.creaBase);
        // The database driver goes with the application object; the connection must go
        // before it, not among the program's static objects.
        static const bool registrado = [] {
            qAddPostRoutine(&Sesion::Cierra);
            return true;
        }();
        Q_UNUSED(registrado);
    }
    return *e.conexion;
}

void Sesion::setCreaBase(bool crea) {
    Datos().creaBase = crea;
}

QString Sesion::Operador() {
    return Datos().operador;
}

ServicioMensajes& Sesion::Mensajes() {
    Estado& e = Datos();
    if (!e.mensajes)
        e.mensajes = std::make_shared<MensajesConsola>();
    return *e.mensajes;
}

QString Sesion::UrlBase() {
    return Datos().url;
}

} // namespace corvanta
