#include "account/frmConfiguracion.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "runtime/Error.h"

using namespace corvanta;

namespace kd562 {

// "Configurar cuenta": opens the account dialog for the user shown, then shows what is
// stored, whether the dialog saved or was cancelled.
void frmKD562::Controles_B3Click() {
    try {
        frmConfiguracion& dialogo = frmConfiguracion::Instancia();
        dialogo.Load();
        dialogo.txtUsuario->setText(txtUsuario->Text());
        dialogo.Mostrar();
        dialogo.Unload();
        CargaDatos();
        InformaHistorial();
    } catch (const std::exception& e) {
        gConexion->Mensaje(QStringLiteral("Controles_B3Click()\r\n") + DescripcionDe(e), Critico,
                           QStringLiteral("Corvanta"), hWnd(), Modulo);
    }
}

} // namespace kd562
