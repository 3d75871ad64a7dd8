#include "catalogue/SentenciaServicio.h"

#include "runtime/Error.h"
#include "runtime/Valores.h"

using corvanta::Comillas;
using corvanta::Concatena;

namespace kd562 {

namespace {

QString TextoDe(const corvanta::Respuesta& elemento, const char* campo) {
    const QString texto = Concatena(elemento.Item(campo).Valor());
    // The database keeps Unicode; a broken character could not be stored as it came.
    if (!corvanta::EsTextoGuardable(texto))
        throw corvanta::Error(QStringLiteral("El campo %1 de un servicio de la respuesta trae un "
                                             "carácter no válido (incompleto, nulo o reservado)")
                                  .arg(QString::fromLatin1(campo)));
    return Comillas(texto);
}

} // namespace

void ArmaInsertServicio(QString& sql, const corvanta::Respuesta& oElemento, const QString& sFecha,
                        const QString& sOperador) {
    sql += QStringLiteral("INSERT INTO Pos_Servicio_Producto (");
    sql += QStringLiteral("   Psp_Cve_Producto, ");
    sql += QStringLiteral("   Psp_Descripcion, ");
    sql += QStringLiteral("   Psp_Tipo, ");
    sql += QStringLiteral("   Psp_Grupo, ");
    sql += QStringLiteral("   Psp_Monto, ");
    sql += QStringLiteral("   Psp_Observacion, ");
    sql += QStringLiteral("   Pr_Cve_Producto, ");
    sql += QStringLiteral("   Fecha_Alta, ");
    sql += QStringLiteral("   Oper_Alta, ");
    sql += QStringLiteral("   Fecha_Ult_Modif, ");
    sql += QStringLiteral("   Oper_Ult_Modif ");
    sql += QStringLiteral(" ) VALUES ( ");
    sql += QStringLiteral("'") + TextoDe(oElemento, "PRODUCTO") + QStringLiteral("', ");
    sql += QStringLiteral("'") + TextoDe(oElemento, "DESCRIPCION") + QStringLiteral("', ");
    sql += QStringLiteral("'01', ");
    sql += QStringLiteral("'") + TextoDe(oElemento, "GRUPO") + QStringLiteral("', ");
    sql += corvanta::NumeroSQL(corvanta::Doble(oElemento.Item("MONTO").Valor())) +
           QStringLiteral(", ");
    sql += QStringLiteral("'") + TextoDe(oElemento, "OBSERVACION") + QStringLiteral("', ");
    sql += QStringLiteral("'") + QStringLiteral("', ");
    sql += QStringLiteral("'") + Comillas(sFecha) + QStringLiteral("',");
    sql += QStringLiteral("'") + Comillas(sOperador) + QStringLiteral("', ");
    sql += QStringLiteral("'") + Comillas(sFecha) + QStringLiteral("',");
    sql += QStringLiteral("'") + Comillas(sOperador) + QStringLiteral("') ");
}

} // namespace kd562
