#include "account/ConsultaPasarela.h"
#include "account/frmConfiguracion.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "runtime/Error.h"
#include "runtime/ErroresMotor.h"

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

bool frmKD562::PruebaCuenta() {
    const QString sTitulo = QStringLiteral("Probar conexión");
    bFallaTransitoria = false;
    sFallaInicio.reset();
    if (!IniciaServicios()) {
        bFallaTransitoria = sFallaInicio && EsTransitoria(*sFallaInicio);
        gConexion->Mensaje(sFallaInicio.value_or(sMensaje), Critico, sTitulo, hWnd(), Modulo);
        return false;
    }
    const ResultadoPrueba tPrueba = PruebaPasarela(
        *oCliente, *oParametros, sOrigen == QStringLiteral("ventana") ? hWnd() : nullptr);
    bFallaTransitoria = tPrueba.transitoria;
    gConexion->Mensaje(tPrueba.texto, tPrueba.respondio ? Informacion : Critico, sTitulo, hWnd(),
                       Modulo);
    return tPrueba.respondio;
}

} // namespace kd562
