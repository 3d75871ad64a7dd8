#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kd562host {

// One command: the options it accepts besides the general ones, and its help.
struct DefinicionComando {
    QString nombre;
    QStringList opciones;
    QString sinopsis;
    QString resumen;
    QString detalle;
};

// Every command, in the order the help lists them.
const QList<DefinicionComando>& Comandos();
const DefinicionComando* BuscaComando(const QString& nombre);

} // namespace kd562host
