#pragma once

#include "catalogue/OrdenFilas.h"
#include "catalogue/PlanDescarga.h"

#include <QHash>
#include <QString>
#include <vector>

namespace kd562 {

// SHA-256 of the catalogue's content (every column but the dates and operators, NULLs told
// from empty texts), whatever the order of its rows: an undo can tell whether anything
// changed since the entry that stored it.
QString HuellaCatalogo(const std::vector<FilaServicio>& filas);
// The same over rows already in their order (Ordenadas), which a download has at hand.
QString HuellaCatalogo(const std::vector<Fila>& ordenadas);
// The same for products: their keys and the columns a save writes.
QString HuellaProductos(std::vector<const corvanta::DatosProducto*> productos);
QString HuellaProductos(const QHash<QString, corvanta::DatosProducto>& productos);

} // namespace kd562
