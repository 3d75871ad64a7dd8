#pragma once

#include <QList>
#include <QString>

namespace banco {

// bench_descarga --historial [--motor sqlite|postgresql] [SIZES...]: what the history of
// downloads costs "kd562 sync" end to end, and how long "kd562 history N" and "kd562 undo"
// take after it. `carpeta` holds the empty system configuration file. Returns the exit
// status.
int MideHistorial(const QList<int>& tamanos, const QString& motor, const QString& carpeta);

} // namespace banco
