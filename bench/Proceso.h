#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

// The kd562 program run as a process of its own, as a shop runs it, under a small launcher
// that measures it.
namespace banco {

struct Proceso {
    double segundos = 0;
    double megas = 0; // the largest resident set it reached
};

// What one kd562 process did.
struct Ejecucion {
    Proceso medida;
    int estado = 0;     // its wait status
    qint64 lineas = 0;  // of standard output, when it was read
    QByteArray ultima;  // standard output's last line
    QByteArray huella;  // SHA-256 of standard output
    QByteArray errores; // standard error
    QByteArray orden;   // the command, for messages

    bool Termino() const;
    // Ends the benchmark, with the process's standard error, unless it exited 0.
    void ExigeExito() const;
};

// bench_descarga --proceso ARCHIVO PROGRAMA ARGUMENTOS...
int Lanza(char** argv);

// "kd562 ARGUMENTOS --db URL --operator BENCH" with no configuration but the empty system
// file in `carpeta`, plus the variables in `entorno`. Standard output is read through a pipe
// (counted and hashed), or sent to /dev/null with `descarta`.
Ejecucion EjecutaKd562(const QByteArrayList& argumentos, const QString& url, const QString& carpeta,
                       const QByteArrayList& entorno = {}, bool descarta = false);

} // namespace banco
