#pragma once

#include "gateway/Respuesta.h"
#include "runtime/DatosProducto.h"
#include "runtime/Recordset.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace corvanta {
class Connection;
}

namespace kd562 {

// One row of Pos_Servicio_Producto as a download writes it.
struct FilaServicio {
    QString Clave; // Psp_Cve_Producto
    QString Descripcion;
    QString Grupo;
    double Monto = 0; // as the database keeps it; NaN for a NULL
    QString Observacion;
    QString Producto; // Pr_Cve_Producto
    QString Tipo = QStringLiteral("01");
    // A text read from a NULL is a null QString, and is written back as NULL.
};

// What a download will write, built in memory before anything is written: the service rows
// in reply order and the final values of every product the mapping saves.
struct PlanDescarga {
    std::vector<FilaServicio> filas;
    // The stored products under the keys the rows derive, as they were before.
    QHash<QString, corvanta::DatosProducto> leidos;
    std::vector<corvanta::DatosProducto> nuevos;
    std::vector<corvanta::DatosProducto> existentes;
};

// One service of the gateway's reply as its row would store it: texts as they came (a null
// as empty text), the amount as the database keeps the number written into SQL. Throws when
// the element lacks a field, its amount is not a number or a text cannot be stored.
FilaServicio LeeServicio(const corvanta::Respuesta& oElemento);

// The row's values in the column order of ColumnasServicio, with the date and operator of
// the download.
QVariantList ValoresServicio(const FilaServicio& fila, const QString& sFecha,
                             const QString& sOperador);
const QStringList& ColumnasServicio();

// Writes an entry's change rows: services as they were and as they are after it, products
// likewise.
void EscribeCambios(corvanta::Connection& cnn, qint64 numero,
                    const std::vector<const FilaServicio*>& antes,
                    const std::vector<const FilaServicio*>& despues,
                    const std::vector<const corvanta::DatosProducto*>& productosAntes,
                    const std::vector<const corvanta::DatosProducto*>& productosDespues);

// The catalogue as stored: every row's content, NULLs kept (null texts, NaN amounts).
std::vector<FilaServicio> LeeCatalogo();

// The rows the list would show once the plan is written, in the list's order, read without
// writing anything: the engine sorts the service keys as the list's ORDER BY would.
corvanta::Recordset ListaPrevista(const PlanDescarga& plan);

} // namespace kd562
