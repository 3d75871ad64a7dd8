#include "catalogue/ClaveProducto.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "runtime/Error.h"
#include "runtime/Productos.h"
#include "runtime/Valores.h"

using namespace corvanta;

namespace kd562 {

// Ties every stored service to a shop product and writes the product's key into the row.
bool frmKD562::AddProducto() {
    bool bResultado = false;
    sMensaje = QString();
    try {
        gSQL = QString();
        gSQL += QStringLiteral("SELECT * FROM Pos_Servicio_Producto ");
        Recordset rs = gConexion->Cnn().Execute(gSQL, -1);
        if (rs.Eof()) {
            sMensaje = QStringLiteral("No se encontró información de servicios configurados");
            return bResultado;
        }
        Productos oProducto;
        DatosProducto tProducto;
        while (!rs.Eof()) {
            bool bNuevo = true;
            QString sClave;
            sClave = ClaveProducto(Texto(rs.Fields(QStringLiteral("Psp_Grupo"))),
                                   Texto(rs.Fields(QStringLiteral("Psp_Descripcion"))),
                                   Doble(rs.Fields(QStringLiteral("Psp_Monto"))));

            QString sEncontrada;
            sEncontrada = gFunciones->Busqueda(
                QStringLiteral("Producto"), QStringLiteral("Pr_Cve_Producto"), sClave,
                QStringLiteral("Pr_Cve_Producto"), 0, QString(), QString(), QString());
            if (sEncontrada == sClave)
                bNuevo = false;

            const QString sDescripcion = Texto(rs.Fields(QStringLiteral("Psp_Descripcion")));
            tProducto.Clave = sClave;
            tProducto.ClaveCorta = ClaveCortaProducto(
                sDescripcion, Doble(rs.Fields(QStringLiteral("Psp_Monto"))), sClave);
            tProducto.Texto1 = QString();
            tProducto.Descripcion = sDescripcion;
            tProducto.DescripcionCorta = Primeros(sDescripcion, 30);
            tProducto.Codigo1 = QStringLiteral("99");
            tProducto.Codigo2 = QStringLiteral("SR");
            tProducto.Monto = Doble(rs.Fields(QStringLiteral("Psp_Monto")));
            tProducto.Valor1 = -1;
            tProducto.Valor2 = -1;
            tProducto.Valor3 = -1;
            tProducto.Valor4 = -1;
            tProducto.Grupo = Texto(rs.Fields(QStringLiteral("Psp_Grupo")));

            if (!oProducto.GuardaProducto(tProducto, bNuevo)) {
                sMensaje = QStringLiteral("AddProducto()") + sClave + QStringLiteral(" - ") +
                           Texto(rs.Fields(QStringLiteral("Psp_Descripcion"))) +
                           QStringLiteral("\r\n");
                sMensaje +=
                    QStringLiteral(": ") + QStringLiteral("\r\n") + oProducto.MensajeError();
                return bResultado;
            }

            // The service key is text: quoted, so letters and leading zeros match exactly.
            gSQL = QString();
            gSQL += QStringLiteral("UPDATE Pos_Servicio_Producto SET ");
            gSQL += QStringLiteral("   Pr_Cve_Producto = '");
            gSQL += Comillas(sClave);
            gSQL += QStringLiteral("'");
            gSQL += QStringLiteral("WHERE Psp_Cve_Producto = ");
            gSQL += QStringLiteral("'") +
                    Comillas(Texto(rs.Fields(QStringLiteral("Psp_Cve_Producto")))) +
                    QStringLiteral("'");
            gSQL += QStringLiteral(" AND ");
            gSQL += QStringLiteral("   Psp_Monto = ");
            gSQL += NumeroSQL(Doble(rs.Fields(QStringLiteral("Psp_Monto"))));
            gConexion->Cnn().Execute(gSQL, -1);

            rs.MoveNext();
        }
        bResultado = true;
        return bResultado;
    } catch (const std::exception& e) {
        gConexion->Mensaje(DescripcionDe(e), Critico, QStringLiteral("AddProducto()"), hWnd(),
                           Modulo);
        return false;
    }
}

} // namespace kd562
