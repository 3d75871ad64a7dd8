#pragma once

#include <QString>

namespace kd562 {

// PostgreSQL: the oid of the current schema's table by its name, the one that statements
// without a schema create and use. The catalogue lists every table, whatever the role's rights.
inline const QString kTablaPg = QStringLiteral(
    "SELECT c.oid FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace WHERE "
    "n.nspname = current_schema() AND c.relkind IN ('r', 'p', 'v', 'f') AND lower(c.relname) = ");

} // namespace kd562
