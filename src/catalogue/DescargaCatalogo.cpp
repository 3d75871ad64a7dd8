#include "catalogue/SentenciaServicio.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "forms/PunteroRaton.h"
#include "runtime/Error.h"
#include "runtime/Valores.h"

using namespace corvanta;

namespace kd562 {

// "Configurar servicios": replaces the stored catalogue with the gateway's, ties every
// service to a product, all in one transaction.
void frmKD562::Controles_B1Click() {
    const QString sTitulo = QStringLiteral("Controles_B1Click()");
    if (sUrlWs == QString()) {
        gConexion->Mensaje(QStringLiteral("No se encontró información de credenciales "
                                          "configuradas"),
                           Exclamacion, sTitulo, hWnd());
        return;
    }
    bool bTransaccion = false;
    try {
        gSQL = QString();
        gSQL += QStringLiteral("SELECT ISNULL(COUNT(Psp_Cve_Producto),0) as Cont FROM "
                               "Pos_Servicio_Producto ");
        Recordset rs = gConexion->Cnn().Execute(gSQL, -1);
        if (rs.Eof()) {
            gConexion->Mensaje(QStringLiteral("No se encontró información de credenciales "
                                              "configuradas"),
                               Exclamacion, sTitulo, hWnd());
            return;
        }
        if (Doble(rs.Fields(QStringLiteral("Cont"))) > 0) {
            const int iRespuesta = gConexion->Mensaje(
                QStringLiteral("Se han registrado servicios previamente\r\nDesea generar una "
                               "nueva configuración?\r\n\r\nEste cambio borrara la "
                               "configuración anterior!"),
                Pregunta, QStringLiteral("Generar nueva configuración?"), hWnd(), Modulo);
            if (iRespuesta == RespuestaNo)
                return;
            lbTotal->setCaption(QStringLiteral("Total: 0"));
            lvRegistros->ListItemsClear();
        }
        rs.Close();

        if (!IniciaServicios()) {
            gConexion->Mensaje(sMensaje, Critico, sTitulo, hWnd(), Modulo);
            return;
        }
        Respuesta oRespuesta;
        if (!oCliente->ConsultaProductos(*oParametros, oRespuesta)) {
            gConexion->Mensaje(oCliente->UltimoError(), Critico, sTitulo, hWnd(), Modulo);
            return;
        }
        if (Concatena(oRespuesta.Item("code").Valor()) != QStringLiteral("200")) {
            gConexion->Mensaje(Concatena(oRespuesta.Item("message").Valor()), Critico, sTitulo,
                               hWnd(), Modulo);
            return;
        }

        gConexion->Cnn().BeginTrans();
        bTransaccion = true;
        PunteroRaton::Fija(11);
        const QString sFecha = gFunciones->FechaSQL(gFunciones->FechaServidor());
        const QString sOperador = gConexion->Operador();

        gSQL = QString();
        gSQL = QStringLiteral("DELETE FROM Pos_Servicio_Producto ");
        gConexion->Cnn().Execute(gSQL, -1);

        const qint32 iTotal = oRespuesta.Item("result").Count();
        for (qint32 i = 1; i <= iTotal; ++i) {
            const Respuesta oElemento = oRespuesta.Item("result").Item(i);
            gSQL = QString();
            ArmaInsertServicio(gSQL, oElemento, sFecha, sOperador);
            gConexion->Cnn().Execute(gSQL, -1);
        }

        if (!AddProducto()) {
            PunteroRaton::Fija(0);
            gConexion->Cnn().RollbackTrans();
            bTransaccion = false;
            gConexion->Mensaje(sMensaje, Critico, QStringLiteral("Corvanta"), hWnd(), Modulo);
            return;
        }
        gConexion->Cnn().CommitTrans();
        bTransaccion = false;
        PunteroRaton::Fija(0);
        CargaDatos();
    } catch (const std::exception& e) {
        if (bTransaccion) {
            try {
                gConexion->Cnn().RollbackTrans();
            } catch (const std::exception&) {
                // The engine already ended the transaction; the user still hears of the cause.
            }
        }
        PunteroRaton::Fija(0);
        gConexion->Mensaje(DescripcionDe(e), Critico, sTitulo, hWnd(), Modulo,
                           QStringLiteral("ERR-ID:7500002"));
    }
}

} // namespace kd562
