#include "catalogue/frmHistorial.h"
#include "catalogue/frmKD562.h"

namespace kd562 {

// "Historial": the history dialog; once it closes, the screen shows what is stored now.
void frmKD562::Controles_B2Click() {
    frmHistorial& dialogo = frmHistorial::Instancia();
    dialogo.Load();
    dialogo.Mostrar(hWnd());
    dialogo.Unload();
    CargaDatos();
    InformaHistorial();
}

} // namespace kd562
