#include "runtime/MensajesGrabados.h"

#include "forms/PunteroRaton.h"

namespace corvanta {

int MensajesGrabados::Muestra(const Mensaje& mensaje) {
    mRegistros.append({mensaje, PunteroRaton::Actual()});
    if (mAccion) {
        auto accion = std::move(mAccion);
        mAccion = nullptr;
        accion(mensaje);
    }
    if ((mensaje.estilo & 0x0F) == 4)
        return mRespuestas.isEmpty() ? RespuestaSi : mRespuestas.takeFirst();
    return RespuestaAceptar;
}

} // namespace corvanta
