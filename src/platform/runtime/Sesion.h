#pragma once

#include "runtime/Connection.h"
#include "runtime/ServicioMensajes.h"

#include <QString>
#include <memory>

namespace corvanta {

// The suite session that the host (or a test) sets up once: where the database is, who
// is signed in, and where messages go. Every screen module shares it.
class Sesion {
public:
    static void Configura(const QString& urlBase, const QString& operador,
                          std::shared_ptr<ServicioMensajes> mensajes);
    // Closes the connection; the next use opens it again from the configured URL.
    static void Cierra();
    // Whether opening may create a SQLite file that is not there (it may unless told).
    static void setCreaBase(bool crea);

    // The one open connection; opened on first use. Throws Error when it cannot open.
    static Connection& Conexion();
    static QString Operador();
    static ServicioMensajes& Mensajes();
    static QString UrlBase();
};

} // namespace corvanta
