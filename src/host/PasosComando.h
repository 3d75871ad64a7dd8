#pragma once

#include "data/Historial.h"
#include "forms/PantallaSuite.h"
#include "host/Anfitrion.h"
#include "host/Impresora.h"
#include "host/Opciones.h"
#include "runtime/MensajesConsola.h"

#include <QDateTime>
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
    Paso(const Opciones& opciones, QTextStream& salida, Formato formato)
        : opciones(opciones), salida(salida), formato(formato) {}
    const Opciones& opciones;
    QTextStream& salida;
    const Formato formato; // --format, or the default for where standard output goes
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
// Whether the history is there; a role that may not use it as the command needs is told
// so before anything starts (an exception), rather than shown an empty history.
bool HistorialUsable(corvanta::Connection& cnn, const QStringList& permisos);
// When an entry was written: its date as read, with its offset from UTC when its instant
// is known (otherwise local time).
QDateTime Fecha(const kd562::EntradaHistorial& entrada);
// A refusal with what to do about it, where the command line knows more than the screen.
QString ConCamino(const QString& descripcion);
// After a question answered No for want of --yes: `hecho` ("No se guardó nada") and how to
// answer Yes; nothing when a person answered.
void AvisaSinSi(const Opciones& opciones, const QString& hecho);
// The list: the headings, a row per service, the total.
void ImprimeLista(corvanta::PantallaSuite* pantalla, Impresora& impresora);
// What a download or an undo did: its summary lines on standard error or, in JSON, as
// members of the document with their counts; nothing when quiet.
void ImprimeResumen(Paso& paso, Impresora& impresora, int resultado);
// After a download or an undo: the summary, then the list when asked for.
int ImprimeResultado(Paso& paso, int resultado);

int ComandoHistory(Paso& paso);
int ComandoStatus(Paso& paso);
int ComandoUndo(Paso& paso);

} // namespace kd562host
