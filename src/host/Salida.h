#pragma once

#include <QString>
#include <cstdio>

namespace kd562host {

// Every line the command line writes goes through the one escape (EscapaLinea), so no text
// that came from the gateway or the database can break a line or pass for another.
void EscribeLinea(FILE* destino, const QString& texto);
// "kd562: texto" on standard error.
void Aviso(const QString& texto);

} // namespace kd562host
