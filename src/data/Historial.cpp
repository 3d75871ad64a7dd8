#include "data/Historial.h"
#include "data/TablaPostgreSql.h"

#include "runtime/Connection.h"
#include "runtime/Error.h"
#include "runtime/Productos.h"
#include "runtime/TransaccionEnCurso.h"
#include "runtime/Valores.h"

#include <QDateTime>
#include <QLocale>
#include <QMutex>
#include <QSet>
#include <QVariant>
#include <cmath>

using corvanta::Connection;
using corvanta::Recordset;

namespace kd562 {

namespace {

const QString kEntradas = QStringLiteral(
    "Psd_Numero, Psd_Fecha, Psd_Operador, Psd_Terminal, Psd_Origen, Psd_Resultado, Psd_Deshace, "
    "Psd_Serv_Nuevos, Psd_Serv_Retirados, Psd_Serv_Cambiados, Psd_Serv_Sin_Cambio, "
    "Psd_Prod_Nuevos, Psd_Prod_Cambiados, Psd_Prod_Sin_Cambio, Psd_Huella_Respuesta, "
    "Psd_Huella_Catalogo, Psd_Huella_Productos, Psd_Mensaje");

// The instant of an entry in UTC, as ISO text ending in Z: it sorts, and both engines read it.
const QString kInstante = QStringLiteral("Psd_Instante");

QString ExpresionInstante(corvanta::Motor motor) {
    return motor == corvanta::Motor::Sqlite
               ? QStringLiteral("strftime('%Y-%m-%dT%H:%M:%SZ', 'now')")
               : QStringLiteral("to_char(now() AT TIME ZONE 'UTC', "
                                "'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"')");
}

// What entries are read with: the date in the reader's local time when the instant is known,
// the date as written otherwise; the instant last.
QString ColumnasLectura(Connection& cnn) {
    const bool sqlite = cnn.motor() == corvanta::Motor::Sqlite;
    const QString escrita = sqlite ? QStringLiteral("Psd_Fecha")
                                   : QStringLiteral("to_char(Psd_Fecha, "
                                                    "'YYYY-MM-DD\"T\"HH24:MI:SS')");
    QString fecha = escrita, instante = QStringLiteral("NULL");
    if (TieneInstante(cnn)) {
        instante = kInstante;
        fecha = QStringLiteral("COALESCE(%1, %2)")
                    .arg(sqlite ? QStringLiteral("strftime('%Y-%m-%dT%H:%M:%S', Psd_Instante, "
                                                 "'localtime')")
                                : QStringLiteral("to_char(CAST(Psd_Instante AS TIMESTAMPTZ), "
                                                 "'YYYY-MM-DD\"T\"HH24:MI:SS')"),
                         escrita);
    }
    QString columnas = kEntradas;
    return columnas.replace(QStringLiteral("Psd_Fecha"), fecha) + QStringLiteral(", ") + instante;
}

// An entry's texts are kept up to this many characters.
constexpr qsizetype kMaximoTexto = 4096;

QString TextoDe(const QVariant& valor) {
    return valor.isNull() ? QString() : corvanta::Texto(valor);
}

std::vector<EntradaHistorial> Entradas(Recordset rs) {
    std::vector<EntradaHistorial> entradas;
    for (; !rs.Eof(); rs.MoveNext()) {
        EntradaHistorial e;
        e.numero = rs.Fields(0).toLongLong();
        e.fecha = TextoDe(rs.Fields(1));
        e.operador = TextoDe(rs.Fields(2));
        e.terminal = TextoDe(rs.Fields(3));
        e.origen = TextoDe(rs.Fields(4));
        e.resultado = TextoDe(rs.Fields(5));
        e.deshace = rs.Fields(6).toLongLong();
        if (!rs.Fields(7).isNull()) {
            std::array<int, 7> cuentas{};
            for (int i = 0; i < 7; ++i)
                cuentas[size_t(i)] = rs.Fields(7 + i).toInt();
            e.cuentas = cuentas;
        }
        e.huellaRespuesta = TextoDe(rs.Fields(14));
        e.huellaCatalogo = TextoDe(rs.Fields(15));
        e.huellaProductos = TextoDe(rs.Fields(16));
        e.mensaje = TextoDe(rs.Fields(17));
        e.instante = TextoDe(rs.Fields(18));
        entradas.push_back(std::move(e));
    }
    return entradas;
}

std::optional<EntradaHistorial> Una(Connection& cnn, const QString& condicion,
                                    const QVariantList& parametros = {}) {
    std::vector<EntradaHistorial> e =
        Entradas(cnn.Ejecuta(QStringLiteral("SELECT %1 FROM Pos_Servicio_Descarga WHERE %2 ORDER "
                                            "BY Psd_Numero DESC LIMIT 1")
                                 .arg(ColumnasLectura(cnn), condicion),
                             parametros));
    if (e.empty())
        return std::nullopt;
    return e.front();
}

} // namespace

QString FechaEnPantalla(const QString& iso) {
    const QDateTime fecha = QDateTime::fromString(iso, Qt::ISODate);
    if (!fecha.isValid())
        return iso;
    // Without a locale of its own (C, as under a service) the screen still speaks Spanish:
    // the C locale's short format names the month in English.
    const QLocale regional =
        QLocale().language() == QLocale::C ? QLocale(QLocale::Spanish, QLocale::Mexico) : QLocale();
    QString formato = regional.dateFormat(QLocale::ShortFormat);
    if (!formato.contains(QStringLiteral("yyyy")))
        formato.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return regional.toString(fecha, formato + QStringLiteral(" HH:mm"));
}

QStringList LineasDeCuentas(const std::array<int, 7>& n) {
    return {QStringLiteral("Servicios: %1 nuevos, %2 retirados, %3 cambiados, %4 sin cambio")
                .arg(n[0])
                .arg(n[1])
                .arg(n[2])
                .arg(n[3]),
            QStringLiteral("Productos: %1 nuevos, %2 cambiados, %3 sin cambio")
                .arg(n[4])
                .arg(n[5])
                .arg(n[6])};
}

QStringList DefinicionHistorial(const Connection& cnn) {
    QStringList sentencias = {
        QStringLiteral("CREATE TABLE IF NOT EXISTS Pos_Servicio_Descarga ("
                       "Psd_Numero INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "Psd_Fecha DATETIME, "
                       "Psd_Operador TEXT, "
                       "Psd_Terminal TEXT, "
                       "Psd_Origen TEXT, "
                       "Psd_Resultado TEXT, "
                       "Psd_Deshace INTEGER, "
                       "Psd_Serv_Nuevos INTEGER, "
                       "Psd_Serv_Retirados INTEGER, "
                       "Psd_Serv_Cambiados INTEGER, "
                       "Psd_Serv_Sin_Cambio INTEGER, "
                       "Psd_Prod_Nuevos INTEGER, "
                       "Psd_Prod_Cambiados INTEGER, "
                       "Psd_Prod_Sin_Cambio INTEGER, "
                       "Psd_Huella_Respuesta TEXT, "
                       "Psd_Huella_Catalogo TEXT, "
                       "Psd_Huella_Productos TEXT, "
                       "Psd_Mensaje TEXT, "
                       "Psd_Instante TEXT)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS Pos_Servicio_Descarga_Cambio ("
                       "Psd_Numero INTEGER NOT NULL, "
                       "Psdc_Clase CHAR(2) NOT NULL, "
                       "Psp_Cve_Producto TEXT, "
                       "Psp_Descripcion TEXT, "
                       "Psp_Tipo CHAR(2), "
                       "Psp_Grupo TEXT, "
                       "Psp_Monto REAL, "
                       "Psp_Observacion TEXT, "
                       "Pr_Cve_Producto TEXT, "
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
                       "Pr_Impuesto REAL)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_Pos_Servicio_Descarga_Cambio ON "
                       "Pos_Servicio_Descarga_Cambio (Psd_Numero, Psdc_Clase)"),
    };
    if (cnn.motor() == corvanta::Motor::PostgreSql) {
        sentencias.replaceInStrings(QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"),
                                    QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY "
                                                   "PRIMARY KEY"));
        sentencias.replaceInStrings(QStringLiteral(" REAL"), QStringLiteral(" DOUBLE PRECISION"));
        sentencias.replaceInStrings(QStringLiteral(" DATETIME"), QStringLiteral(" TIMESTAMP"));
    }
    return sentencias;
}

bool ExisteHistorial(Connection& cnn) {
    if (cnn.motor() == corvanta::Motor::Sqlite)
        return cnn.Ejecuta(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = "
                                          "'table' AND lower(name) IN ('pos_servicio_descarga', "
                                          "'pos_servicio_descarga_cambio')"),
                           {})
                   .Fields(0)
                   .toInt() == 2;
    return cnn.Ejecuta(QStringLiteral("SELECT COUNT(*) FROM (%1 'pos_servicio_descarga' UNION ALL "
                                      "%1 'pos_servicio_descarga_cambio') t")
                           .arg(kTablaPg),
                       {})
               .Fields(0)
               .toInt() == 2;
}

void CreaHistorial(Connection& cnn) {
    corvanta::TransaccionEnCurso transaccion(cnn);
    for (const QString& sentencia : DefinicionHistorial(cnn))
        cnn.Execute(sentencia);
    transaccion.Confirma();
}

bool TieneInstante(Connection& cnn) {
    // Remembered once seen, as a column is never taken away: on SQLite, a read that comes
    // first in a transaction that writes would keep that write from waiting for a lock.
    static QMutex candado;
    static QSet<QString> conInstante;
    {
        const QMutexLocker bloqueo(&candado);
        if (conInstante.contains(cnn.Url()))
            return true;
    }
    const QString sql =
        cnn.motor() == corvanta::Motor::Sqlite
            ? QStringLiteral("SELECT COUNT(*) FROM pragma_table_info('Pos_Servicio_Descarga') "
                             "WHERE lower(name) = 'psd_instante'")
            : QStringLiteral("SELECT COUNT(*) FROM pg_attribute WHERE attrelid = (%1 "
                             "'pos_servicio_descarga') AND attname = 'psd_instante' AND NOT "
                             "attisdropped")
                  .arg(kTablaPg);
    if (cnn.Ejecuta(sql, {}).Fields(0).toInt() == 0)
        return false;
    const QMutexLocker bloqueo(&candado);
    conInstante.insert(cnn.Url());
    return true;
}

const QStringList& ColumnasAgregadas() {
    static const QStringList columnas = {QStringLiteral("Pos_Servicio_Descarga.Psd_Instante")};
    return columnas;
}

qint64 AgregaEntrada(Connection& cnn, const EntradaHistorial& e) {
    // Texts that may come from elsewhere, a gateway's message above all: a NUL or a lone
    // surrogate that the database refuses, or a megabyte of text, must not cost the entry.
    const auto guardable = [](const QString& t) {
        return corvanta::TextoGuardable(t, kMaximoTexto);
    };
    QVariantList valores = {
        e.fecha,  guardable(e.operador), guardable(e.terminal),
        e.origen, e.resultado,           e.deshace ? QVariant(e.deshace) : QVariant()};
    for (int i = 0; i < 7; ++i)
        valores.append(e.cuentas ? QVariant((*e.cuentas)[size_t(i)]) : QVariant());
    for (const QString* t : {&e.huellaRespuesta, &e.huellaCatalogo, &e.huellaProductos})
        valores.append(t->isEmpty() ? QVariant() : QVariant(*t));
    valores.append(e.mensaje.isEmpty() ? QVariant() : QVariant(guardable(e.mensaje)));
    // The instant, where the table has its column, in UTC. PostgreSQL's clock stands still
    // for the transaction, in which the entry's date was read; SQLite's does not, so there
    // the entry's local date is turned to UTC, and both name the same second.
    QStringList marcas(valores.size(), QStringLiteral("?"));
    QString columnas = kEntradas.section(QStringLiteral(", "), 1);
    if (TieneInstante(cnn)) {
        columnas += QStringLiteral(", ") + kInstante;
        if (cnn.motor() == corvanta::Motor::Sqlite) {
            marcas.append(QStringLiteral("strftime('%Y-%m-%dT%H:%M:%SZ', ?, 'utc')"));
            valores.append(e.fecha);
        } else {
            marcas.append(ExpresionInstante(cnn.motor()));
        }
    }
    Recordset rs = cnn.Ejecuta(
        QStringLiteral("INSERT INTO Pos_Servicio_Descarga (%1) VALUES (%2) RETURNING Psd_Numero")
            .arg(columnas, marcas.join(QStringLiteral(", "))),
        valores);
    if (rs.Eof())
        throw corvanta::Error(QStringLiteral("El historial no devolvió el número de la entrada"));
    return rs.Fields(0).toLongLong();
}

void CambiaResultado(Connection& cnn, qint64 numero, const QString& resultado) {
    cnn.Ejecuta(QStringLiteral("UPDATE Pos_Servicio_Descarga SET Psd_Resultado = ? WHERE "
                               "Psd_Numero = ?"),
                {resultado, numero});
}

void PodaHistorial(Connection& cnn, const QString& fecha) {
    cnn.Ejecuta(
        QStringLiteral("DELETE FROM Pos_Servicio_Descarga_Cambio WHERE Psd_Numero IN "
                       "(SELECT Psd_Numero FROM Pos_Servicio_Descarga WHERE Psd_Fecha < ?)"),
        {fecha});
    cnn.Ejecuta(QStringLiteral("DELETE FROM Pos_Servicio_Descarga WHERE Psd_Fecha < ?"), {fecha});
}

qint64 SegundosDesde(Connection& cnn, const EntradaHistorial& entrada) {
    // The server's clock, in UTC and as local time in the reader's session.
    Recordset rs = cnn.Execute(
        cnn.motor() == corvanta::Motor::Sqlite
            ? QStringLiteral("SELECT %1, strftime('%Y-%m-%dT%H:%M:%S', 'now', 'localtime')")
                  .arg(ExpresionInstante(cnn.motor()))
            : QStringLiteral("SELECT %1, to_char(now(), 'YYYY-MM-DD\"T\"HH24:MI:SS')")
                  .arg(ExpresionInstante(cnn.motor())));
    const auto fecha = [](const QString& texto) {
        // A date without a zone is compared as written: both sides are the same zone's.
        const QDateTime leida = QDateTime::fromString(texto, Qt::ISODate);
        return leida.timeSpec() == Qt::UTC ? leida : QDateTime(leida.date(), leida.time(), Qt::UTC);
    };
    if (!entrada.instante.isEmpty())
        return fecha(entrada.instante).secsTo(fecha(rs.Fields(0).toString()));
    return fecha(entrada.fecha).secsTo(fecha(rs.Fields(1).toString()));
}

std::vector<EntradaHistorial> LeeHistorial(Connection& cnn, int limite) {
    return Entradas(cnn.Ejecuta(QStringLiteral("SELECT %1 FROM Pos_Servicio_Descarga ORDER BY "
                                               "Psd_Numero DESC LIMIT ?")
                                    .arg(ColumnasLectura(cnn)),
                                {limite}));
}

std::optional<EntradaHistorial> LeeEntrada(Connection& cnn, qint64 numero) {
    return Una(cnn, QStringLiteral("Psd_Numero = ?"), {numero});
}

std::optional<EntradaHistorial> UltimaConfirmada(Connection& cnn) {
    return Una(cnn, QStringLiteral("Psd_Resultado IN ('guardada', 'deshecha', 'deshacer')"));
}

std::optional<EntradaHistorial> UltimaDescarga(Connection& cnn) {
    return Una(cnn, QStringLiteral("Psd_Resultado IN ('guardada', 'deshecha')"));
}

std::optional<EntradaHistorial> UltimaPorDeshacer(Connection& cnn) {
    return Una(cnn, QStringLiteral("Psd_Resultado = 'guardada'"));
}

std::optional<EntradaHistorial> IntentoPosterior(Connection& cnn, qint64 numero) {
    return Una(cnn,
               QStringLiteral("Psd_Numero > ? AND Psd_Resultado IN ('rechazada', 'fallida', "
                              "'desconocida')"),
               {numero});
}

} // namespace kd562
