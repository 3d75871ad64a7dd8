#pragma once

#include <QList>
#include <QString>

namespace banco {

// What to measure; an empty name means every engine or every profile.
struct OpcionesHistorial {
    QList<int> tamanos = {10000, 100000};
    QString motor;  // sqlite, postgresql
    QString perfil; // misma, 1%, todo
};

// bench_descarga --historial [--motor M] [--perfil P] [SIZES...]: what the history of
// downloads costs "kd562 sync" end to end, and how long "kd562 history N" and "kd562 undo"
// take after it. `carpeta` holds the empty system configuration file. Returns the exit
// status.
int MideHistorial(const OpcionesHistorial& opciones, const QString& carpeta);

} // namespace banco
