#pragma once

#include "host/Opciones.h"
#include "runtime/ServicioMensajes.h"

namespace kd562host {

// Whether a person answers the questions: sync or undo without --yes (and not a preview),
// with standard input and standard error on a terminal.
bool Interactiva(const Opciones& opciones);

// Asks a person at the terminal, as a package manager asks: the screen's first question of a
// download is answered Yes, since its summary and the question to save follow; every other
// question is shown whole and asked [s/N], No unless the answer starts with s or y.
int PreguntaEnTerminal(const corvanta::Mensaje& mensaje);

} // namespace kd562host
