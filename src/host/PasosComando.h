#pragma once

#include "forms/PantallaSuite.h"
#include "host/Anfitrion.h"
#include "host/Opciones.h"
#include "runtime/MensajesConsola.h"

#include <QTextStream>
#include <QToolButton>
#include <memory>

namespace kd562host {

// The steps the commands share.

// Opens the session's database, warns when others may read its file, and checks that its
// tables have our shape; without `crear` the file and the tables must already be there.
void AbreBase(bool crear);

// What a command runs with. The screen is made in one place, and only when the command asks
// for it, so that a command that stops before it shows nothing of the screen's.
class Paso {
public:
    Paso(const Opciones& opciones, QTextStream& salida) : opciones(opciones), salida(salida) {}
    const Opciones& opciones;
    QTextStream& salida;
    // The module's screen, loaded in the host's container.
    corvanta::PantallaSuite* Pantalla();
    // The module's screen without loading it, only to ask it something.
    corvanta::PantallaSuite* PantallaSinCargar();
    // The container of Pantalla().
    const Anfitrion& Contenedor() const { return *mAnfitrion; }
    // Once the command is done: the container closes, which unloads the screen.
    void Cierra();

private:
    std::unique_ptr<Anfitrion> mAnfitrion;
    corvanta::PantallaSuite* mPantalla = nullptr;
};

// The session's message service: lines on standard error.
corvanta::MensajesConsola& Consola();
// The command failed after its action when the screen warned, failed, or was told No.
int Resultado();
QToolButton* Boton(QWidget* ventana, const QString& nombre);
// One line of tab-separated cells on standard output, each through the one escape.
void ImprimeCeldas(QTextStream& salida, const QStringList& celdas);
// The list as tab-separated lines: the headings, a line per row, the total.
void ImprimeLista(corvanta::PantallaSuite* pantalla, QTextStream& salida);
// The summary on standard error, then the list on standard output.
void ImprimeResultado(Paso& paso);

int ComandoHistory(Paso& paso);
int ComandoStatus(Paso& paso);
int ComandoUndo(Paso& paso);

} // namespace kd562host
