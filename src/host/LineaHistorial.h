#pragma once

#include <QString>

namespace corvanta {
class Connection;
}

namespace kd562host {

// What the window's status line says of the history: the last download or undo that was
// saved, its summary lines, and an attempt that failed after it.
struct LineaHistorial {
    QString ultima;  // "Última descarga: 07/12/2026 14:18 (caja1)", or the undo's own text
    QString resumen; // its summary lines, one per line
    QString fallo;   // "Falló la descarga del 08/12/2026 03:30: …"; empty when none
};

// Read from the history; throws when it cannot be read.
LineaHistorial LeeLineaHistorial(corvanta::Connection& cnn);

} // namespace kd562host
