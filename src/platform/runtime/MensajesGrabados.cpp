#include "runtime/MensajesGrabados.h"

namespace corvanta {

int MensajesGrabados::Muestra(const Mensaje& mensaje) {
    mRegistros.append({mensaje, mLeePuntero ? mLeePuntero() : 0});
    if (mAccion) {
        auto accion = std::move(mAccion);
        mAccion = nullptr;
        accion(mensaje);
    }
    if (PideSiNo(mensaje.estilo))
        return mRespuestas.isEmpty() ? RespuestaSi : mRespuestas.takeFirst();
    return RespuestaAceptar;
}

} // namespace corvanta
