#pragma once

#include <QString>
#include <cstdio>

namespace kd562host {

// Syslog priorities of standard error's lines, for a journal that reads them.
enum Prioridad { PrioridadError = 3, PrioridadAviso = 4, PrioridadInformacion = 6 };

// Whether standard error is the journal's stream (JOURNAL_STREAM names its device and inode):
// then every line on it starts with its priority, "<3>", "<4>" or "<6>".
bool EnDiario();

// Whether standard error is a terminal: then a progress line may stand on it, and every line
// written there first erases it.
bool EnTerminal();

// Every line the command line writes goes through the one escape (EscapaLinea), so no text
// that came from the gateway or the database can break a line or pass for another.
void EscribeLinea(FILE* destino, const QString& texto, Prioridad prioridad = PrioridadInformacion);
// "kd562: texto" on standard error.
void Aviso(const QString& texto, Prioridad prioridad = PrioridadError);

} // namespace kd562host
