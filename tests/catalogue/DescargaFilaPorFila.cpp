#include "DescargaFilaPorFila.h"

#include "catalogue/ClaveProducto.h"
#include "runtime/Error.h"
#include "runtime/Funciones.h"
#include "runtime/Productos.h"
#include "runtime/Sesion.h"
#include "runtime/Valores.h"

using namespace corvanta;

namespace prueba {

namespace {

QString Texto(const Respuesta& elemento, const char* campo) {
    const QString texto = Concatena(elemento.Item(campo).Valor());
    if (!EsTextoGuardable(texto))
        throw Error(QStringLiteral("carácter no válido"));
    return QStringLiteral("'") + Comillas(texto) + QStringLiteral("', ");
}

QString Insert(const Respuesta& e, const QString& sFecha, const QString& sOperador) {
    return QStringLiteral("INSERT INTO Pos_Servicio_Producto (Psp_Cve_Producto, "
                          "Psp_Descripcion, Psp_Tipo, Psp_Grupo, Psp_Monto, Psp_Observacion, "
                          "Pr_Cve_Producto, Fecha_Alta, Oper_Alta, Fecha_Ult_Modif, "
                          "Oper_Ult_Modif) VALUES (") +
           Texto(e, "PRODUCTO") + Texto(e, "DESCRIPCION") + QStringLiteral("'01', ") +
           Texto(e, "GRUPO") + NumeroSQL(Doble(e.Item("MONTO").Valor())) + QStringLiteral(", ") +
           Texto(e, "OBSERVACION") +
           QStringLiteral("'', '%1', '%2', '%1', '%2')").arg(sFecha, Comillas(sOperador));
}

// Empty text when every row was mapped, otherwise the refusal.
QString MapeaFilas(Connection& cnn) {
    Recordset rs = cnn.Execute(QStringLiteral("SELECT * FROM Pos_Servicio_Producto "));
    if (rs.Eof())
        return QStringLiteral("No se encontró información de servicios configurados");
    Funciones funciones;
    Productos oProducto;
    DatosProducto t;
    for (; !rs.Eof(); rs.MoveNext()) {
        const QString grupo = corvanta::Texto(rs.Fields(QStringLiteral("Psp_Grupo")));
        const QString descripcion = corvanta::Texto(rs.Fields(QStringLiteral("Psp_Descripcion")));
        const double monto = Doble(rs.Fields(QStringLiteral("Psp_Monto")));
        const QString clave = kd562::ClaveProducto(grupo, descripcion, monto);
        const QString encontrada =
            funciones.Busqueda(QStringLiteral("Producto"), QStringLiteral("Pr_Cve_Producto"), clave,
                               QStringLiteral("Pr_Cve_Producto"));
        bool bNuevo = encontrada != clave;
        if (!bNuevo) {
            Recordset p = cnn.Ejecuta(QStringLiteral("SELECT Pr_Codigo1, Pr_Codigo2, "
                                                     "Pr_Descripcion FROM Producto WHERE "
                                                     "Pr_Cve_Producto = ?"),
                                      {clave});
            if (!p.Eof() && (Concatena(p.Fields(0)) != QStringLiteral("99") ||
                             Concatena(p.Fields(1)) != QStringLiteral("SR")))
                return QStringLiteral("AddProducto()") + clave + QStringLiteral(" - ") +
                       descripcion + QStringLiteral("\r\n: \r\n") +
                       QStringLiteral("La clave %1 ya es del producto \"%2\" de la tienda, que "
                                      "no viene de la pasarela; no se guardó ningún cambio")
                           .arg(clave, Concatena(p.Fields(2)));
        }
        t.Clave = clave;
        t.ClaveCorta = kd562::ClaveCortaProducto(descripcion, monto, clave);
        t.Texto1 = QString();
        t.Descripcion = descripcion;
        t.DescripcionCorta = Primeros(descripcion, 30);
        t.Codigo1 = QStringLiteral("99");
        t.Codigo2 = QStringLiteral("SR");
        t.Monto = monto;
        t.Valor1 = t.Valor2 = t.Valor3 = t.Valor4 = -1;
        t.Grupo = grupo;
        if (!oProducto.GuardaProducto(t, bNuevo))
            return QStringLiteral("AddProducto()") + clave + QStringLiteral(" - ") + descripcion +
                   QStringLiteral("\r\n: \r\n") + oProducto.MensajeError();
        cnn.Execute(
            QStringLiteral("UPDATE Pos_Servicio_Producto SET Pr_Cve_Producto = '%1' "
                           "WHERE Psp_Cve_Producto = '%2' AND Psp_Monto = %3")
                .arg(Comillas(clave),
                     Comillas(corvanta::Texto(rs.Fields(QStringLiteral("Psp_Cve_Producto")))),
                     NumeroSQL(monto)));
    }
    return QString();
}

} // namespace

QString DescargaFilaPorFila(const Respuesta& respuesta, const QString& sFecha,
                            const QString& sOperador) {
    Connection& cnn = Sesion::Conexion();
    cnn.BeginTrans();
    try {
        cnn.Execute(QStringLiteral("DELETE FROM Pos_Servicio_Producto "));
        const Respuesta resultado = respuesta.Item("result");
        for (int i = 1; i <= resultado.Count(); ++i)
            cnn.Execute(Insert(resultado.Item(i), sFecha, sOperador));
        const QString rechazo = MapeaFilas(cnn);
        if (!rechazo.isEmpty()) {
            cnn.RollbackTrans();
            return rechazo;
        }
        cnn.CommitTrans();
        return QString();
    } catch (const std::exception& e) {
        cnn.RollbackTrans();
        return DescripcionDe(e);
    }
}

} // namespace prueba
