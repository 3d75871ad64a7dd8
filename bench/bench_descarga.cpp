// Downloads catalogues of growing size from the simulator through the real screen, and
// prints the seconds of each phase next to the floor: the reply fetched and parsed once, the
// very rows the screen left written into fresh tables the fastest plain way, and the list
// read once. Then "kd562 sync --yes" runs the same download as a process of its own: its
// wall time (e2e) and peak resident set. A second catalogue gives a quarter of the services
// descriptions of their own that share their first ten characters. With KD562_PG_URL it
// runs on PostgreSQL too, directly and through a proxy that delays each direction by
// 0.5 ms, as a server a LAN away would. With --historial it measures what the history of
// downloads costs instead (CostoHistorial.cpp).
#include "Comun.h"
#include "CostoHistorial.h"
#include "Demora.h"
#include "Proceso.h"
#include "SimuladorPasarela.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "data/Tablas.h"
#include "gateway/ClienteServicio.h"
#include "runtime/MensajesGrabados.h"
#include "runtime/Sesion.h"

#include <sqlite3.h>

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/wait.h>

using namespace corvanta;
using namespace banco;

namespace {

// The screen's list (frmKD562::LlenaServicios) as it sends it.
const QString kLista = QStringLiteral(
    "SELECT  "
    "   Psp_Cve_Producto AS Servicio, "
    "   Psp_Descripcion AS Descripción, "
    "   Psp_Grupo AS Grupo, "
    "   Psp_Monto AS Monto, "
    "   Producto.Pr_Cve_Producto AS Clave, "
    "   Pr_Descripcion_Corta AS Producto, "
    "   Psp_Observacion AS Observaciones "
    "FROM Pos_Servicio_Producto "
    "   INNER JOIN Producto ON Producto.Pr_Cve_Producto = Pos_Servicio_Producto.Pr_Cve_Producto "
    "WHERE Psp_Tipo = '01' "
    "ORDER BY Servicio");

struct Fases {
    double consulta = 0, plan = 0, escritura = 0, lista = 0, total = 0;
    qint64 sentencias = 0;
};

// The screen's download inside this process; the database is left as it wrote it.
Fases MideScreen(int n, const QString& pasarela, const QString& url) {
    auto mensajes = std::make_shared<MensajesGrabados>();
    Sesion::Configura(url, QStringLiteral("BENCH"), mensajes);
    PreparaBase(Sesion::Conexion(), pasarela);

    kd562::frmKD562& pantalla = kd562::frmKD562::Instancia();
    pantalla.Show();
    QElapsedTimer reloj;
    qint64 tPlan = -1, tEscritura = -1, tLista = -1;
    Sesion::Conexion().setObservador([&](const QString& sql) {
        if (tPlan < 0 && sql.startsWith(QStringLiteral("SELECT Psp_Cve_Producto, Psp_Monto")))
            tPlan = reloj.nsecsElapsed();
        else if (tEscritura < 0 && sql.startsWith(QStringLiteral("DELETE")))
            tEscritura = reloj.nsecsElapsed();
        else if (tEscritura >= 0 && tLista < 0 &&
                 sql.startsWith(QStringLiteral("SELECT Psc_Usuario")))
            tLista = reloj.nsecsElapsed();
    });
    const qint64 antes = Sesion::Conexion().Sentencias();
    reloj.start();
    pantalla.Controles->Boton(1)->click();
    const qint64 fin = reloj.nsecsElapsed();
    Fases f;
    f.sentencias = Sesion::Conexion().Sentencias() - antes;
    Sesion::Conexion().setObservador(nullptr);
    if (mensajes->Cuenta() != 0 || pantalla.lvRegistros->ListItemsCount() != n) {
        std::fprintf(stderr, "la descarga de %d servicios no terminó: %s\n", n,
                     mensajes->Cuenta() ? qPrintable(mensajes->Ultimo().texto)
                                        : "lista incompleta");
        std::exit(1);
    }
    pantalla.Unload();
    Sesion::Cierra();
    f.consulta = tPlan / 1e9;
    f.plan = (tEscritura - tPlan) / 1e9;
    f.escritura = (tLista - tEscritura) / 1e9;
    f.lista = (fin - tLista) / 1e9;
    f.total = fin / 1e9;
    return f;
}

// Every column of a table, in the order its rows are stored.
struct Tabla {
    QString nombre;
    QStringList columnas;
    std::vector<QVariantList> filas;
};

Tabla LeeTabla(Connection& cnn, const QString& nombre) {
    Tabla tabla{nombre, {}, {}};
    Recordset rs = cnn.Execute(QStringLiteral("SELECT * FROM %1").arg(nombre));
    for (int i = 0; i < rs.FieldCount(); ++i)
        tabla.columnas.append(rs.FieldName(i));
    tabla.filas.reserve(static_cast<size_t>(rs.RecordCount()));
    for (; !rs.Eof(); rs.MoveNext()) {
        QVariantList fila;
        fila.reserve(rs.FieldCount());
        for (int i = 0; i < rs.FieldCount(); ++i)
            fila.append(rs.Fields(i));
        tabla.filas.push_back(std::move(fila));
    }
    return tabla;
}

// The tables the screen's download left, every column of every row.
std::vector<Tabla> LeeTablas(const QString& url) {
    auto cnn = Connection::Abre(url, false);
    return {LeeTabla(*cnn, QStringLiteral("Pos_Servicio_Producto")),
            LeeTabla(*cnn, QStringLiteral("Producto"))};
}

// Rows by their first column (the service's or the product's key), for comparing tables.
std::vector<QVariantList> Ordenadas(std::vector<QVariantList> filas) {
    std::stable_sort(filas.begin(), filas.end(), [](const QVariantList& a, const QVariantList& b) {
        return a.value(0).toString() < b.value(0).toString();
    });
    return filas;
}

void CompruebaIguales(const std::vector<Tabla>& esperadas, const QString& url) {
    const std::vector<Tabla> escritas = LeeTablas(url);
    for (size_t t = 0; t < esperadas.size(); ++t) {
        if (Ordenadas(esperadas[t].filas) != Ordenadas(escritas[t].filas)) {
            std::fprintf(stderr, "el piso no dejó las mismas filas en %s\n",
                         qPrintable(esperadas[t].nombre));
            std::exit(1);
        }
    }
}

[[noreturn]] void FallaSqlite(sqlite3* base) {
    std::fprintf(stderr, "piso en SQLite: %s\n", sqlite3_errmsg(base));
    std::exit(1);
}

// Texts go as UTF-8, the file's own encoding: Qt converts them faster than SQLite converts
// UTF-16. Each is kept in `textos` until the row is stepped.
void LigaSqlite(sqlite3* base, sqlite3_stmt* sentencia, int indice, const QVariant& valor,
                std::vector<QByteArray>& textos) {
    int rc = SQLITE_OK;
    switch (valor.typeId()) {
    case QMetaType::UnknownType:
        rc = sqlite3_bind_null(sentencia, indice);
        break;
    case QMetaType::Double:
        rc = sqlite3_bind_double(sentencia, indice, valor.toDouble());
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
        rc = sqlite3_bind_int64(sentencia, indice, valor.toLongLong());
        break;
    default: {
        const QString& texto = valor.typeId() == QMetaType::QString
                                   ? *static_cast<const QString*>(valor.constData())
                                   : valor.toString();
        if (texto.isNull()) {
            rc = sqlite3_bind_null(sentencia, indice);
            break;
        }
        textos.push_back(texto.toUtf8());
        rc = sqlite3_bind_text(sentencia, indice, textos.back().constData(),
                               static_cast<int>(textos.back().size()), SQLITE_STATIC);
    }
    }
    if (rc != SQLITE_OK)
        FallaSqlite(base);
}

// SQLite's C API on the file: one prepared INSERT per table, every value bound, one
// transaction.
double EscribeSqlite(const QString& ruta, const std::vector<Tabla>& tablas) {
    sqlite3* base = nullptr;
    if (sqlite3_open_v2(ruta.toUtf8().constData(), &base, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        FallaSqlite(base);
    QElapsedTimer reloj;
    reloj.start();
    if (sqlite3_exec(base, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        FallaSqlite(base);
    for (const Tabla& tabla : tablas) {
        const QByteArray sql =
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(tabla.nombre, tabla.columnas.join(QStringLiteral(", ")),
                     QStringList(tabla.columnas.size(), QStringLiteral("?")).join(", "))
                .toUtf8();
        sqlite3_stmt* sentencia = nullptr;
        if (sqlite3_prepare_v2(base, sql.constData(), static_cast<int>(sql.size()), &sentencia,
                               nullptr) != SQLITE_OK)
            FallaSqlite(base);
        std::vector<QByteArray> textos;
        textos.reserve(static_cast<size_t>(tabla.columnas.size()));
        for (const QVariantList& fila : tabla.filas) {
            for (int i = 0; i < fila.size(); ++i)
                LigaSqlite(base, sentencia, i + 1, fila.at(i), textos);
            if (sqlite3_step(sentencia) != SQLITE_DONE)
                FallaSqlite(base);
            sqlite3_reset(sentencia);
            textos.clear();
        }
        sqlite3_finalize(sentencia);
    }
    if (sqlite3_exec(base, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        FallaSqlite(base);
    const double segundos = reloj.nsecsElapsed() / 1e9;
    sqlite3_close(base);
    return segundos;
}

// The connection's own batches: multi-row INSERTs on SQLite, COPY on PostgreSQL.
double EscribeLotes(Connection& cnn, const std::vector<Tabla>& tablas) {
    QElapsedTimer reloj;
    reloj.start();
    cnn.BeginTrans();
    for (const Tabla& tabla : tablas)
        cnn.InsertaLote(tabla.nombre, tabla.columnas, tabla.filas);
    cnn.CommitTrans();
    return reloj.nsecsElapsed() / 1e9;
}

struct Piso {
    double consulta = 0, escritura = 0, lista = 0;
    double Total() const { return consulta + escritura + lista; }
};

// The gateway's reply fetched and parsed once, as the screen's client does it.
double MideConsulta(int n, const QString& pasarela) {
    ClienteServicio cliente;
    cliente.setServicio(QStringLiteral("wsServiceVorn"));
    cliente.setURL(pasarela);
    cliente.setUsuario(QStringLiteral("bench"));
    cliente.setPassword(QStringLiteral("x"));
    ParametrosConsulta parametros;
    parametros.setTipo(QStringLiteral("TAE"));
    Respuesta respuesta;
    QElapsedTimer reloj;
    reloj.start();
    const bool ok = cliente.ConsultaProductos(parametros, respuesta);
    const double segundos = reloj.nsecsElapsed() / 1e9;
    if (!ok || respuesta.Item("result").Count() != n) {
        std::fprintf(stderr, "la consulta de %d servicios falló: %s\n", n,
                     qPrintable(cliente.UltimoError()));
        std::exit(1);
    }
    return segundos;
}

// The least any download of this catalogue has to do: fetch and parse the reply, write the
// very rows the screen left (every column, into fresh tables) the fastest plain way, and
// read the list once.
Piso MidePiso(int n, const QString& pasarela, const QString& origen, const QString& url) {
    Piso piso;
    piso.consulta = MideConsulta(n, pasarela);
    const std::vector<Tabla> tablas = LeeTablas(origen);
    // PostgreSQL hands its dates back as date objects; the screen writes them as text, and
    // so does the floor.
    std::vector<Tabla> texto = tablas;
    for (Tabla& tabla : texto)
        for (QVariantList& fila : tabla.filas)
            for (QVariant& valor : fila)
                if (valor.typeId() == QMetaType::QDateTime)
                    valor = valor.toDateTime().toString(Qt::ISODateWithMs);
    auto cnn = Connection::Abre(url);
    kd562::CreaTablas(*cnn);
    // On SQLite a prepared single-row INSERT measured faster than the connection's batches.
    if (cnn->motor() == Motor::Sqlite)
        piso.escritura = EscribeSqlite(url.mid(7), texto);
    else
        piso.escritura = EscribeLotes(*cnn, texto);
    QElapsedTimer reloj;
    reloj.start();
    qsizetype filas = 0;
    for (Recordset rs = cnn->Execute(kLista); !rs.Eof(); rs.MoveNext())
        filas += !rs.Fields(0).isNull();
    piso.lista = reloj.nsecsElapsed() / 1e9;
    if (filas != n) {
        std::fprintf(stderr, "la lista del piso tiene %lld servicios, no %d\n",
                     static_cast<long long>(filas), n);
        std::exit(1);
    }
    cnn.reset();
    CompruebaIguales(tablas, url);
    return piso;
}

// "kd562 sync --yes" as a process of its own, as a shop runs it, list printed included, on
// a database that holds only the account. The configuration files are empty or missing, so
// nothing but the command line sets it up.
Proceso MideProceso(int n, const QString& pasarela, const QString& url, const QString& carpeta) {
    {
        auto cnn = Connection::Abre(url);
        PreparaBase(*cnn, pasarela);
    }
    const Ejecucion e = EjecutaKd562({"sync", "--yes", "--list"}, url, carpeta);
    // The header, a line per service, and the total.
    if (!e.Termino() || e.lineas != n + 2 || e.ultima != "Total: " + QByteArray::number(n)) {
        std::fprintf(stderr,
                     "kd562 sync con %d servicios: estado %d, %lld líneas, última \"%s\"\n%s", n,
                     WIFEXITED(e.estado) ? WEXITSTATUS(e.estado) : -1,
                     static_cast<long long>(e.lineas), e.ultima.constData(), e.errores.constData());
        std::exit(1);
    }
    return e.medida;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 3 && std::strcmp(argv[1], "--proceso") == 0)
        return Lanza(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    IniciaRed();
    QApplication aplicacion(argc, argv);
    kd562::Main();
    QTemporaryDir carpeta;
    // The host reads no configuration but the empty system file given to it.
    QFile(carpeta.filePath(QStringLiteral("kd562.conf"))).open(QIODevice::WriteOnly);
    if (argc > 1 && std::strcmp(argv[1], "--historial") == 0) {
        OpcionesHistorial opciones;
        QList<int> tamanos;
        for (int i = 2; i < argc; ++i) {
            const QString argumento = QString::fromLocal8Bit(argv[i]);
            bool ok = false;
            const int n = argumento.toInt(&ok);
            if (argumento == QStringLiteral("--motor") && i + 1 < argc) {
                opciones.motor = QString::fromLocal8Bit(argv[++i]);
            } else if (argumento == QStringLiteral("--perfil") && i + 1 < argc) {
                opciones.perfil = QString::fromLocal8Bit(argv[++i]);
            } else if (ok && n > 0) {
                tamanos.append(n);
            } else {
                std::fprintf(stderr, "uso: bench_descarga --historial [--motor "
                                     "sqlite|postgresql] [--perfil misma|1%%|todo] "
                                     "[SERVICIOS...]\n");
                return 2;
            }
        }
        if (!tamanos.isEmpty())
            opciones.tamanos = tamanos;
        return MideHistorial(opciones, carpeta.path());
    }
    // Sizes on the command line; those after --prefijo use the shared-prefix catalogue.
    struct Corrida {
        int n;
        bool prefijo;
    };
    QList<Corrida> corridas = {
        {1000, false}, {10000, false}, {100000, false}, {10000, true}, {100000, true}};
    if (argc > 1) {
        corridas.clear();
        bool prefijo = false;
        for (int i = 1; i < argc; ++i) {
            const QString argumento = QString::fromLatin1(argv[i]);
            if (argumento == QStringLiteral("--prefijo"))
                prefijo = true;
            else
                corridas.append({argumento.toInt(), prefijo});
        }
    }
    const QString servidor = qEnvironmentVariable("KD562_PG_URL");
    std::printf("%-11s %-8s %9s %8s %8s %9s %7s %8s | %7s %7s %7s %7s | %7s %6s | %8s %8s "
                "%10s\n",
                "motor", "catalogo", "servicios", "consulta", "plan", "escritura", "lista", "total",
                "piso", "p.cons", "p.escr", "p.lista", "e2e", "MB", "tot/piso", "e2e/piso",
                "sentencias");
    auto imprime = [](const char* motor, const Corrida& c, const Fases& f, const Piso& piso,
                      const Proceso& e2e) {
        std::printf(
            "%-11s %-8s %9d %8.3f %8.3f %9.3f %7.3f %8.3f | %7.3f %7.3f %7.3f %7.3f | %7.3f "
            "%6.1f | %8.2f %8.2f %10lld\n",
            motor, c.prefijo ? "prefijo" : "normal", c.n, f.consulta, f.plan, f.escritura, f.lista,
            f.total, piso.Total(), piso.consulta, piso.escritura, piso.lista, e2e.segundos,
            e2e.megas, f.total / piso.Total(), e2e.segundos / piso.Total(),
            static_cast<long long>(f.sentencias));
        std::fflush(stdout);
    };
    // A schema of its own on the server for each run.
    auto esquema = [&](const QString& nombre, quint16 puerto = 0) {
        return Esquema(servidor, nombre, puerto);
    };
    // The screen's run, the floor from the rows it left, then the command as a process.
    auto mide = [&](const char* motor, const Corrida& c, const QString& pasarela,
                    const QString& pantalla, const QString& piso, const QString& proceso) {
        const Fases fases = MideScreen(c.n, pasarela, pantalla);
        const Piso minimo = MidePiso(c.n, pasarela, pantalla, piso);
        imprime(motor, c, fases, minimo, MideProceso(c.n, pasarela, proceso, carpeta.path()));
    };
    int numero = 0;
    for (const Corrida& c : corridas) {
        const int n = c.n;
        simulador::Configuracion configuracion;
        configuracion.catalogo = Catalogo(n, c.prefijo);
        simulador::SimuladorPasarela simulador(configuracion);
        simulador.Inicia();
        const QString pasarela = simulador.URL();
        // Every run gets databases of its own, even for a size given twice.
        const QString marca = QStringLiteral("%1_%2").arg(n).arg(++numero);
        auto sqlite = [&](const char* base) {
            return QStringLiteral("sqlite:%1/%2_%3.db").arg(carpeta.path(), base, marca);
        };
        mide("sqlite", c, pasarela, sqlite("bench"), sqlite("piso"), sqlite("e2e"));
        if (servidor.isEmpty())
            continue;
        mide("postgresql", c, pasarela, esquema(QStringLiteral("bench_") + marca),
             esquema(QStringLiteral("piso_") + marca), esquema(QStringLiteral("e2e_") + marca));
        if (n <= 10000) {
            Demora demora(static_cast<quint16>(QUrl(servidor).port(5432)), 500);
            mide("pg+0.5ms", c, pasarela,
                 esquema(QStringLiteral("lejos_") + marca, demora.Puerto()),
                 esquema(QStringLiteral("pisolejos_") + marca, demora.Puerto()),
                 esquema(QStringLiteral("e2elejos_") + marca, demora.Puerto()));
        }
    }
    return 0;
}
