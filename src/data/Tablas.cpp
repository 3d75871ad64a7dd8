#include "data/Tablas.h"

#include "data/Historial.h"

#include "runtime/Connection.h"
#include "runtime/Error.h"
#include "runtime/TransaccionEnCurso.h"

namespace kd562 {

namespace {

const QStringList& Nombres() {
    static const QStringList nombres = {QStringLiteral("Pos_Servicio_Configuracion"),
                                        QStringLiteral("Pos_Servicio_Producto"),
                                        QStringLiteral("Producto")};
    return nombres;
}

// PostgreSQL's catalogue, not information_schema: that one hides what the role has no
// rights on, and a table is there or not whoever asks.
const QString kTablaPg = QStringLiteral(
    "SELECT c.oid FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace WHERE "
    "n.nspname = current_schema() AND c.relkind IN ('r', 'p', 'v', 'f') AND lower(c.relname) = "
    "lower(?)");

bool Existe(corvanta::Connection& cnn, const QString& tabla) {
    const QString sql = cnn.motor() == corvanta::Motor::Sqlite
                            ? QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                             "AND lower(name) = lower(?)")
                            : kTablaPg;
    return !cnn.Ejecuta(sql, {tabla}).Eof();
}

// Lower-case names of the table's columns; empty when the table is not there.
QStringList ColumnasDe(corvanta::Connection& cnn, const QString& tabla) {
    const QString sql =
        cnn.motor() == corvanta::Motor::Sqlite
            ? QStringLiteral("SELECT name FROM pragma_table_info(?)")
            : QStringLiteral("SELECT attname FROM pg_attribute WHERE attrelid = (%1) AND attnum > "
                             "0 AND NOT attisdropped")
                  .arg(kTablaPg);
    QStringList columnas;
    for (corvanta::Recordset rs = cnn.Ejecuta(sql, {tabla}); !rs.Eof(); rs.MoveNext())
        columnas.append(rs.Fields(0).toString().toLower());
    return columnas;
}

} // namespace

QStringList DefinicionTablas(const corvanta::Connection& cnn) {
    QStringList sentencias = {
        QStringLiteral("CREATE TABLE IF NOT EXISTS Pos_Servicio_Configuracion ("
                       "Psc_URL TEXT, "
                       "Psc_Usuario TEXT, "
                       "Psc_Password TEXT, "
                       "Oper_Alta TEXT, "
                       "Fecha_Alta DATETIME, "
                       "Oper_Ult_Modif TEXT, "
                       "Fecha_Ult_Modif DATETIME)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS Pos_Servicio_Producto ("
                       "Psp_Cve_Producto TEXT, "
                       "Psp_Descripcion TEXT, "
                       "Psp_Tipo CHAR(2), "
                       "Psp_Grupo TEXT, "
                       "Psp_Monto REAL, "
                       "Psp_Observacion TEXT, "
                       "Pr_Cve_Producto TEXT, "
                       "Fecha_Alta DATETIME, "
                       "Oper_Alta TEXT, "
                       "Fecha_Ult_Modif DATETIME, "
                       "Oper_Ult_Modif TEXT)"),
        // The mapping updates rows by service key and amount; without this index every
        // download would be quadratic in the catalogue's size.
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_Pos_Servicio_Producto_Clave ON "
                       "Pos_Servicio_Producto (Psp_Cve_Producto, Psp_Monto)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS Producto ("
                       "Pr_Cve_Producto TEXT NOT NULL PRIMARY KEY, "
                       "Pr_Clave_Corta TEXT, "
                       "Pr_Texto1 TEXT, "
                       "Pr_Descripcion TEXT, "
                       "Pr_Descripcion_Corta TEXT, "
                       "Pr_Codigo1 TEXT, "
                       "Pr_Codigo2 TEXT, "
                       "Pr_Precio REAL, "
                       "Pr_Valor1 REAL, "
                       "Pr_Valor2 REAL, "
                       "Pr_Valor3 REAL, "
                       "Pr_Valor4 REAL, "
                       "Pr_Grupo TEXT, "
                       "Pr_Unidad TEXT, "
                       "Pr_Impuesto REAL, "
                       "Oper_Alta TEXT, "
                       "Fecha_Alta DATETIME, "
                       "Oper_Ult_Modif TEXT, "
                       "Fecha_Ult_Modif DATETIME)"),
    };
    if (cnn.motor() == corvanta::Motor::PostgreSql) {
        // The same tables in PostgreSQL's types.
        sentencias.replaceInStrings(QStringLiteral(" REAL"), QStringLiteral(" DOUBLE PRECISION"));
        sentencias.replaceInStrings(QStringLiteral(" DATETIME"), QStringLiteral(" TIMESTAMP"));
    }
    return sentencias;
}

void CreaTablas(corvanta::Connection& cnn) {
    corvanta::TransaccionEnCurso transaccion(cnn);
    for (const QString& sentencia : DefinicionTablas(cnn) + DefinicionHistorial(cnn))
        cnn.Execute(sentencia);
    transaccion.Confirma();
}

QString ColumnaFaltante(corvanta::Connection& cnn) {
    // The columns are read from the definitions themselves, so the two cannot drift apart.
    static const QString crea = QStringLiteral("CREATE TABLE IF NOT EXISTS ");
    for (const QString& sentencia : DefinicionTablas(cnn) + DefinicionHistorial(cnn)) {
        if (!sentencia.startsWith(crea))
            continue;
        const qsizetype abre = sentencia.indexOf(QLatin1Char('('));
        const QString tabla = sentencia.mid(crea.size(), abre - crea.size()).trimmed();
        const QStringList existentes = ColumnasDe(cnn, tabla);
        if (existentes.isEmpty())
            continue;
        const QString cuerpo =
            sentencia.mid(abre + 1, sentencia.lastIndexOf(QLatin1Char(')')) - abre - 1);
        for (const QString& definicion : cuerpo.split(QStringLiteral(", "))) {
            const QString columna = definicion.section(QLatin1Char(' '), 0, 0);
            if (!existentes.contains(columna.toLower()) &&
                !ColumnasAgregadas().contains(tabla + QLatin1Char('.') + columna))
                return tabla + QLatin1Char('.') + columna;
        }
    }
    return QString();
}

QStringList TablasFaltantes(corvanta::Connection& cnn) {
    QStringList faltantes;
    for (const QString& tabla : Nombres())
        if (!Existe(cnn, tabla))
            faltantes.append(tabla);
    return faltantes;
}

} // namespace kd562
