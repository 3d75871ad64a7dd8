#pragma once

#include <QString>

namespace kd562 {

// The phases of a download that a host shows while the user waits, on a terminal's line or
// in a window: each comes with how much is done and, but for the bytes received, of how much.
enum FaseAvance {
    AvanceRecibidos = 0, // bytes of the gateway's reply
    AvancePlaneados = 1, // services read from the reply and checked
    AvanceServicios = 2, // services written
    AvanceProductos = 3, // products written
};

// "Recibidos 12 KiB de la pasarela", "Escritos 5000 de 100000 servicios" and so on.
QString TextoAvance(int fase, qint64 hecho, qint64 total);

} // namespace kd562
