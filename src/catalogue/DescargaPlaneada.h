#pragma once

#include "catalogue/ResumenDescarga.h"
#include "runtime/Recordset.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace kd562 {

// A download planned in a transaction that only reads, kept while the user is asked whether
// to save it: what it changes, and the digests that tell, once the save begins, whether the
// catalogue or the products it read moved since.
struct DescargaPlaneada {
    // The rows stored when it was planned; cambios points into them and into the plan.
    std::vector<FilaServicio> antes;
    ResumenDescarga resumen;
    CambiosDescarga cambios;
    QStringList lineas;
    QString huellaAntes;  // of antes
    QString huellaLeidos; // of the stored products under the keys the plan saves
    QStringList claves;   // those keys
    // A preview's list as it would be.
    std::optional<corvanta::Recordset> prevista;
};

} // namespace kd562
