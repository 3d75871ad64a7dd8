#include "runtime/Productos.h"

#include "runtime/Dialecto.h"
#include "runtime/Sesion.h"
#include "runtime/Valores.h"

namespace corvanta {

namespace {

bool Existe(Connection& cnn, const QString& clave) {
    return !cnn.Ejecuta(QStringLiteral("SELECT 1 FROM Producto WHERE Pr_Cve_Producto = ?"), {clave})
                .Eof();
}

} // namespace

bool Productos::GuardaProducto(DatosProducto& datos, bool& bNuevo) {
    mMensajeError.clear();
    if (Recorta(datos.Clave).isEmpty()) {
        mMensajeError = QStringLiteral("La clave del producto no puede estar vacía");
        return false;
    }
    if (datos.Descripcion.isEmpty()) {
        mMensajeError = QStringLiteral("La descripción del producto no puede estar vacía");
        return false;
    }
    Connection& cnn = Sesion::Conexion();
    // The server's clock is read inside the statement: one round trip less per product.
    const QString fecha = ExpresionFechaServidor(cnn.motor());
    const QString operador = Sesion::Operador();
    const bool existe = Existe(cnn, datos.Clave);
    if (datos.Unidad.isEmpty())
        datos.Unidad = QStringLiteral("SERVICIO");

    const QVariantList valores = {
        datos.ClaveCorta, datos.Texto1, datos.Descripcion, datos.DescripcionCorta, datos.Codigo1,
        datos.Codigo2,    datos.Monto,  datos.Valor1,      datos.Valor2,           datos.Valor3,
        datos.Valor4,     datos.Grupo,  datos.Unidad,      datos.Impuesto};
    if (bNuevo) {
        if (existe) {
            mMensajeError =
                QStringLiteral("Ya existe un producto con la clave %1").arg(datos.Clave);
            return false;
        }
        QVariantList parametros = {datos.Clave};
        parametros += valores;
        parametros += QVariantList{operador, operador};
        cnn.Ejecuta(QStringLiteral(
                        "INSERT INTO Producto (Pr_Cve_Producto, Pr_Clave_Corta, Pr_Texto1, "
                        "Pr_Descripcion, Pr_Descripcion_Corta, Pr_Codigo1, Pr_Codigo2, Pr_Precio, "
                        "Pr_Valor1, Pr_Valor2, Pr_Valor3, Pr_Valor4, Pr_Grupo, Pr_Unidad, "
                        "Pr_Impuesto, Oper_Alta, Fecha_Alta, Oper_Ult_Modif, Fecha_Ult_Modif) "
                        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, %1, ?, %1)")
                        .arg(fecha),
                    parametros);
    } else {
        if (!existe) {
            mMensajeError = QStringLiteral("No existe un producto con la clave %1 para modificar")
                                .arg(datos.Clave);
            return false;
        }
        QVariantList parametros = valores;
        parametros += QVariantList{operador, datos.Clave};
        cnn.Ejecuta(QStringLiteral("UPDATE Producto SET Pr_Clave_Corta = ?, Pr_Texto1 = ?, "
                                   "Pr_Descripcion = ?, Pr_Descripcion_Corta = ?, Pr_Codigo1 = ?, "
                                   "Pr_Codigo2 = ?, Pr_Precio = ?, Pr_Valor1 = ?, Pr_Valor2 = ?, "
                                   "Pr_Valor3 = ?, Pr_Valor4 = ?, Pr_Grupo = ?, Pr_Unidad = ?, "
                                   "Pr_Impuesto = ?, Oper_Ult_Modif = ?, Fecha_Ult_Modif = %1 "
                                   "WHERE Pr_Cve_Producto = ?")
                        .arg(fecha),
                    parametros);
    }
    // The row just written is the product's: it exists now.
    if (cnn.FilasAfectadas() != 1) {
        mMensajeError =
            QStringLiteral("No se pudo guardar el producto con la clave %1").arg(datos.Clave);
        return false;
    }
    return true;
}

} // namespace corvanta
