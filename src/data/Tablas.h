#pragma once

#include <QStringList>

namespace corvanta {
class Connection;
}

namespace kd562 {

// The module's three tables (gateway account, service catalogue, and the suite's product
// table as far as this module and the product library use it).
QStringList DefinicionTablas(const corvanta::Connection& cnn);
// Creates whichever of the tables is missing, and the history's, in one transaction.
void CreaTablas(corvanta::Connection& cnn);
// Names of the tables that are missing (empty when all are there). The history's are not
// among them: a database made before them keeps working.
QStringList TablasFaltantes(corvanta::Connection& cnn);
// The first column that a table lacks, as "Table.Column"; empty when every table that
// exists has all the columns defined above, the history's too, but for those added later
// (ColumnasAgregadas). A missing table is TablasFaltantes' business.
QString ColumnaFaltante(corvanta::Connection& cnn);

} // namespace kd562
