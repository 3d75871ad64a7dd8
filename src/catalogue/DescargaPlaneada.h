#pragma once

#include "catalogue/ResumenDescarga.h"
#include "runtime/Recordset.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace kd562 {

// A download planned in a transaction that only reads, kept while the user is asked whether
// to save it: what it changes, and what tells, once the save begins, whether the catalogue
// or the products it read moved since.
struct DescargaPlaneada {
    // The rows stored when it was planned; cambios points into them and into the plan.
    std::vector<FilaServicio> antes;
    ResumenDescarga resumen;
    CambiosDescarga cambios;
    QStringList lineas;
    // The database's mark of changes when it was planned: while it is the same nothing moved,
    // and the save need not read anything again to know.
    QString marca;
    // A preview's list as it would be.
    std::optional<corvanta::Recordset> prevista;
};

} // namespace kd562
