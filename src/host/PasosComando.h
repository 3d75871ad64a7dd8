#pragma once

#include "forms/PantallaSuite.h"
#include "host/Anfitrion.h"
#include "host/Opciones.h"
#include "runtime/MensajesConsola.h"

#include <QTextStream>
#include <QToolButton>

namespace kd562host {

// The steps the commands share.

// The session's message service: lines on standard error.
corvanta::MensajesConsola& Consola();
// The command failed after its action when the screen warned, failed, or was told No.
int Resultado();
// The module's screen, owned by dueno, told where it runs from and how long the history stays.
corvanta::PantallaSuite* CreaPantalla(const Opciones& opciones, QObject* dueno);
// The list as tab-separated lines: the headings, a line per row, the total.
void ImprimeLista(corvanta::PantallaSuite* pantalla, QTextStream& salida);
QToolButton* Boton(QWidget* ventana, const QString& nombre);
// The summary on standard error, then the list on standard output.
void ImprimeResultado(const Anfitrion& anfitrion, corvanta::PantallaSuite* pantalla,
                      QTextStream& salida);

int ComandoHistory(const Opciones& opciones, QTextStream& salida);
int ComandoStatus(const Opciones& opciones, QTextStream& salida);
int ComandoUndo(const Opciones& opciones, QTextStream& salida);

} // namespace kd562host
