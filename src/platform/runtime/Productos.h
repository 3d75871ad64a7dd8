#pragma once

#include "runtime/DatosProducto.h"

#include <QString>

namespace corvanta {

// Creates and updates rows of the suite's product table.
class Productos {
public:
    QString MensajeError() const { return mMensajeError; }
    // bNuevo true creates the product, false updates it. True when the product with key
    // Clave exists afterwards; false is a refusal whose reason is in MensajeError.
    // Database failures are thrown.
    bool GuardaProducto(DatosProducto& datos, bool& bNuevo);

private:
    QString mMensajeError;
};

} // namespace corvanta
