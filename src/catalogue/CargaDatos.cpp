#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "runtime/Error.h"
#include "runtime/Valores.h"

using namespace corvanta;

namespace kd562 {

namespace {

void ReportaFallaCarga(const std::exception& e, QWidget* ventana) {
    gConexion->Mensaje(QStringLiteral("CargaDatos()\r\n") + DescripcionDe(e), Critico,
                       QStringLiteral("Corvanta"), ventana, Modulo,
                       QStringLiteral("ERR-ID:7500015"));
}

} // namespace

// Shows the stored account and every downloaded service tied to a shop product.
void frmKD562::CargaDatos() {
    try {
        Recordset rs = EjecutaSQL(QStringLiteral("SELECT Psc_Usuario, Psc_Password, Psc_URL "
                                                 "FROM Pos_Servicio_Configuracion "));
        if (rs.Eof()) {
            gConexion->Mensaje(QStringLiteral("CargaDatos()\r\nNo se encontró configuración "
                                              "para mostrar"),
                               Exclamacion, QStringLiteral("Corvanta"), hWnd(), Modulo);
            rs.Close();
            return;
        }
        sUrlWs = Texto(rs.Fields(QStringLiteral("Psc_URL")));
        txtUsuario->setText(Texto(rs.Fields(QStringLiteral("Psc_Usuario"))));
        rs.Close();
        LlenaServicios();
    } catch (const std::exception& e) {
        ReportaFallaCarga(e, hWnd());
    }
}

void frmKD562::LlenaServicios() {
    gSQL = QString();
    gSQL += QStringLiteral("SELECT  ");
    gSQL += QStringLiteral("   Psp_Cve_Producto AS Servicio, ");
    gSQL += QStringLiteral("   Psp_Descripcion AS Descripción, ");
    gSQL += QStringLiteral("   Psp_Grupo AS Grupo, ");
    gSQL += QStringLiteral("   Psp_Monto AS Monto, ");
    gSQL += QStringLiteral("   Producto.Pr_Cve_Producto AS Clave, ");
    gSQL += QStringLiteral("   Pr_Descripcion_Corta AS Producto, ");
    gSQL += QStringLiteral("   Psp_Observacion AS Observaciones ");
    gSQL += QStringLiteral("FROM Pos_Servicio_Producto ");
    gSQL += QStringLiteral("   INNER JOIN Producto ON Producto.Pr_Cve_Producto = "
                           "Pos_Servicio_Producto.Pr_Cve_Producto ");
    gSQL += QStringLiteral("WHERE Psp_Tipo = '01' ");
    gSQL += QStringLiteral("ORDER BY Servicio");
    MuestraServicios(EjecutaSQL());
}

void frmKD562::MuestraServicios(Recordset rs) {
    if (!gFunciones->LlenaLista(std::move(rs), *lvRegistros)) {
        gConexion->Mensaje(gFunciones->MensajeError(), Critico, QStringLiteral("Corvanta"), hWnd(),
                           Modulo);
        rs.Close();
        return;
    }
    lbTotal->setCaption(QStringLiteral("Total: ") + QString::number(lvRegistros->ListItemsCount()));
}

void frmKD562::RecargaLista() {
    try {
        LlenaServicios();
    } catch (const std::exception& e) {
        ReportaFallaCarga(e, hWnd());
    }
}

} // namespace kd562
