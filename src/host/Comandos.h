#pragma once

#include "host/Opciones.h"

#include <QTextStream>

namespace kd562host {

// Exit statuses of the command line.
// 75 is sysexits' EX_TEMPFAIL: the last try failed for a reason that may pass by itself.
enum Salida { Hecho = 0, Rechazado = 1, ErrorDeUso = 2, Transitoria = 75 };

// Runs one command against the configured session; messages go to the session's message
// service, the list to `salida`.
int EjecutaComando(const Opciones& opciones, QTextStream& salida);

} // namespace kd562host
