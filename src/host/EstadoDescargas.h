#pragma once

#include "data/Historial.h"
#include "host/Opciones.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace corvanta {
class Connection;
}

namespace kd562host {

// A monitor's verdict, as plugins exit.
enum Nivel { Bien = 0, Advertencia = 1, Critica = 2, Desconocida = 3 };

// What status knows of the downloads, read once and written in every format.
struct EstadoDescargas {
    bool legible = false; // the database and its history could be read
    QString error;        // why not
    bool hayHistorial = false;
    std::optional<kd562::EntradaHistorial> ultima;   // the latest download or undo saved
    std::optional<kd562::EntradaHistorial> descarga; // the latest download saved
    std::optional<kd562::EntradaHistorial> falla;    // an attempt that failed after `ultima`
    std::optional<kd562::EntradaHistorial> reciente; // the latest entry of any kind
    qint64 edadUltima = 0;                           // seconds, by the server's clock
    qint64 edadDescarga = 0;
    bool comoLoDejo = false; // the catalogue is as `ultima` left it
    qint64 servicios = 0;    // stored now
    Nivel nivel = Desconocida;
    QStringList motivos; // what made the level worse than OK
};

// Judges the facts by the thresholds of `opciones`.
void Evalua(EstadoDescargas& estado, const Opciones& opciones);

// The formats of status.
QString EstadoEnTexto(const EstadoDescargas& estado);
QString EstadoNagios(const EstadoDescargas& estado, const Opciones& opciones);
QString EstadoPrometheus(const EstadoDescargas& estado);
// The facts for tsv (a line each) and JSON (a member each).
void EstadoEnHechos(const EstadoDescargas& estado, class Impresora& impresora);

} // namespace kd562host
