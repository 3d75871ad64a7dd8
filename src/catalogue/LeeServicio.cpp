#include "catalogue/PlanDescarga.h"

#include "component/Publico.h"
#include "runtime/Error.h"
#include "runtime/Valores.h"

#include <cmath>

using corvanta::Concatena;

namespace kd562 {

namespace {

QString TextoDe(const corvanta::Respuesta& elemento, const char* campo) {
    QString texto = Concatena(elemento.Item(campo).Valor());
    // The database keeps Unicode; a broken character could not be stored as it came.
    if (!corvanta::EsTextoGuardable(texto))
        throw corvanta::Error(QStringLiteral("El campo %1 de un servicio de la respuesta trae un "
                                             "carácter no válido (incompleto, nulo o reservado)")
                                  .arg(QString::fromLatin1(campo)));
    // A null is written as empty text between quotes, never as NULL.
    return texto.isNull() ? QStringLiteral("") : texto;
}

} // namespace

FilaServicio LeeServicio(const corvanta::Respuesta& oElemento) {
    FilaServicio fila;
    fila.Clave = TextoDe(oElemento, "PRODUCTO");
    fila.Descripcion = TextoDe(oElemento, "DESCRIPCION");
    fila.Grupo = TextoDe(oElemento, "GRUPO");
    // The amount goes into SQL in general number format (15 significant digits): the database
    // keeps that number. A whole amount below 10^15 reads back as itself (-0 as 0).
    const double monto = corvanta::Doble(oElemento.Item("MONTO").Valor());
    fila.Monto = monto == std::trunc(monto) && std::abs(monto) < 1e15
                     ? monto + 0.0
                     : QLocale::c().toDouble(corvanta::NumeroSQL(monto));
    fila.Observacion = TextoDe(oElemento, "OBSERVACION");
    fila.Producto = QStringLiteral("");
    return fila;
}

std::vector<FilaServicio> LeeCatalogo() {
    corvanta::Recordset rs = EjecutaSQL(QStringLiteral(
        "SELECT Psp_Cve_Producto, Psp_Monto, Psp_Descripcion, Psp_Grupo, Psp_Observacion, "
        "Pr_Cve_Producto, Psp_Tipo FROM Pos_Servicio_Producto "));
    std::vector<FilaServicio> filas;
    filas.reserve(static_cast<size_t>(rs.RecordCount()));
    for (; !rs.Eof(); rs.MoveNext()) {
        const QVariant& monto = rs.Fields(1);
        filas.push_back({Concatena(rs.Fields(0)), Concatena(rs.Fields(2)), Concatena(rs.Fields(3)),
                         monto.isNull() ? qQNaN() : corvanta::Doble(monto), Concatena(rs.Fields(4)),
                         Concatena(rs.Fields(5)), Concatena(rs.Fields(6))});
    }
    return filas;
}

const QStringList& ColumnasServicio() {
    static const QStringList columnas = {
        QStringLiteral("Psp_Cve_Producto"), QStringLiteral("Psp_Descripcion"),
        QStringLiteral("Psp_Tipo"),         QStringLiteral("Psp_Grupo"),
        QStringLiteral("Psp_Monto"),        QStringLiteral("Psp_Observacion"),
        QStringLiteral("Pr_Cve_Producto"),  QStringLiteral("Fecha_Alta"),
        QStringLiteral("Oper_Alta"),        QStringLiteral("Fecha_Ult_Modif"),
        QStringLiteral("Oper_Ult_Modif")};
    return columnas;
}

QVariantList ValoresServicio(const FilaServicio& fila, const QString& sFecha,
                             const QString& sOperador) {
    return {fila.Clave,    fila.Descripcion, fila.Tipo, fila.Grupo, fila.Monto, fila.Observacion,
            fila.Producto, sFecha,           sOperador, sFecha,     sOperador};
}

} // namespace kd562
