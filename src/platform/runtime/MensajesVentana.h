#pragma once

#include "runtime/ServicioMensajes.h"

namespace corvanta {

// Modal message boxes owned by the screen's window.
class MensajesVentana : public ServicioMensajes {
public:
    int Muestra(const Mensaje& mensaje) override;
};

} // namespace corvanta
