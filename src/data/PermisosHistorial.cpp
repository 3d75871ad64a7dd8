#include "data/Historial.h"
#include "data/TablaPostgreSql.h"

#include "runtime/Connection.h"
#include "runtime/Error.h"
#include "runtime/TransaccionEnCurso.h"

#include <QSet>
#include <QVariant>

using corvanta::Connection;
using corvanta::Recordset;

namespace kd562 {

// The owner of the history's tables, the columns that came later and the rights on them.

bool EsDuenoHistorial(Connection& cnn) {
    if (cnn.motor() == corvanta::Motor::Sqlite)
        return true;
    return !cnn.Ejecuta(QStringLiteral("SELECT 1 FROM pg_class WHERE oid = (%1 "
                                       "'pos_servicio_descarga') AND pg_has_role(relowner, "
                                       "'USAGE')")
                            .arg(kTablaPg),
                        {})
                .Eof();
}

QStringList CompletaHistorial(Connection& cnn) {
    // Another role's GRANT would only be warned about, and nothing given.
    if (!EsDuenoHistorial(cnn))
        throw corvanta::Error(QStringLiteral("Solo el dueño de las tablas del historial puede "
                                             "completarlas y darles permisos"));
    const bool instante = TieneInstante(cnn);
    corvanta::TransaccionEnCurso transaccion(cnn);
    if (!instante)
        cnn.Execute(QStringLiteral("ALTER TABLE Pos_Servicio_Descarga ADD COLUMN Psd_Instante "
                                   "TEXT"));
    QStringList permisos;
    if (cnn.motor() == corvanta::Motor::PostgreSql) {
        // Every right on the catalogue that a history table lacks, PUBLIC's too; the owner
        // has them all already, and none comes with GRANT OPTION.
        QStringList sentencias;
        for (Recordset rs = cnn.Ejecuta(
                 QStringLiteral(
                     "WITH dados AS (SELECT DISTINCT d.relname, a.grantee, a.privilege_type "
                     "FROM pg_class f CROSS JOIN LATERAL aclexplode(f.relacl) a JOIN pg_class d "
                     "ON d.oid IN ((%1 'pos_servicio_descarga'), (%1 "
                     "'pos_servicio_descarga_cambio')) WHERE f.oid = (%1 "
                     "'pos_servicio_producto') AND a.grantee <> d.relowner AND NOT EXISTS "
                     "(SELECT 1 FROM aclexplode(d.relacl) h WHERE h.grantee = a.grantee AND "
                     "h.privilege_type = a.privilege_type)) "
                     "SELECT format('GRANT %s ON %I TO %s', string_agg(privilege_type, ', ' "
                     "ORDER BY privilege_type), relname, CASE WHEN grantee = 0 THEN 'PUBLIC' "
                     "ELSE (SELECT format('%I', rolname) FROM pg_roles WHERE oid = grantee) END) "
                     "AS g FROM dados GROUP BY relname, grantee ORDER BY relname, g")
                     .arg(kTablaPg),
                 {});
             !rs.Eof(); rs.MoveNext())
            sentencias.append(rs.Fields(0).toString());
        for (const QString& sentencia : sentencias) {
            cnn.Execute(sentencia);
            permisos.append(sentencia);
        }
    }
    transaccion.Confirma();
    return permisos;
}

QString PermisoFaltante(Connection& cnn, const QStringList& permisos) {
    if (cnn.motor() == corvanta::Motor::Sqlite)
        return QString();
    Recordset rs = cnn.Ejecuta(
        QStringLiteral("SELECT current_user, t.nombre, p.permiso FROM (VALUES (1, "
                       "'Pos_Servicio_Descarga'), (2, 'Pos_Servicio_Descarga_Cambio')) "
                       "t(orden, nombre) CROSS JOIN unnest(string_to_array(?, ',')) "
                       "WITH ORDINALITY p(permiso, n) WHERE NOT has_table_privilege((%1 "
                       "lower(t.nombre)), p.permiso) ORDER BY t.orden, p.n LIMIT 1")
            .arg(kTablaPg),
        {permisos.join(QLatin1Char(','))});
    if (rs.Eof())
        return QString();
    return QStringLiteral("el rol %1 no tiene el permiso %2 sobre la tabla %3")
        .arg(rs.Fields(0).toString(), rs.Fields(2).toString(), rs.Fields(1).toString());
}

} // namespace kd562
