#pragma once

#include "runtime/Connection.h"
#include "runtime/ServicioMensajes.h"

#include <QString>

class QWidget;

namespace corvanta {

// Database connection provider, operator identity and message service of the suite.
class Conexion {
public:
    // The same open connection on every call.
    Connection& Cnn();
    QString Operador();
    int Mensaje(const QString& texto, int estilo, const QString& titulo, QWidget* ventana,
                const QString& modulo = QString(), const QString& idError = QString());
};

} // namespace corvanta
