// Downloads catalogues of growing size from the simulator through the real screen, and
// prints the seconds of each phase next to the floor: the same final rows written set-wise
// in one transaction. With KD562_PG_URL it runs on PostgreSQL too, directly and through a
// proxy that delays each direction by 0.5 ms, as a server a LAN away would.
#include "Demora.h"
#include "SimuladorPasarela.h"
#include "catalogue/ClaveProducto.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "data/Tablas.h"
#include "gateway/ClienteServicio.h"
#include "runtime/Cifrado.h"
#include "runtime/MensajesGrabados.h"
#include "runtime/Sesion.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>
#include <cstdio>

using namespace corvanta;

namespace {

const char* const kDescripciones[] = {"Televia",
                                      "AT&T",
                                      "Flash Mobile",
                                      "Weex",
                                      "Paquete Amigo Sin Limite",
                                      "Saldo Local",
                                      "Pago de luz domestica",
                                      "Agua potable"};

QJsonArray Catalogo(int n) {
    QJsonArray catalogo;
    for (int i = 0; i < n; ++i) {
        const char* descripcion = kDescripciones[i % 8];
        const bool tae = i % 8 < 6;
        // Distinct amounts keep the products distinct, as in a real catalogue.
        catalogo.append(QJsonObject{{"PRODUCTO", QStringLiteral("S%1").arg(i, 6, 10, QChar('0'))},
                                    {"DESCRIPCION", QString::fromUtf8(descripcion)},
                                    {"GRUPO", tae ? "TAE" : "SERVICIOS"},
                                    {"MONTO", tae ? 10 + i / 8 : 0},
                                    {"OBSERVACION", i % 50 == 0 ? "Error: suspendido" : ""}});
    }
    return catalogo;
}

struct Fases {
    double consulta = 0, plan = 0, escritura = 0, lista = 0, total = 0;
    qint64 sentencias = 0;
};

Fases MideScreen(int n, const QString& url) {
    simulador::Configuracion configuracion;
    configuracion.catalogo = Catalogo(n);
    simulador::SimuladorPasarela simulador(configuracion);
    simulador.Inicia();

    auto mensajes = std::make_shared<MensajesGrabados>();
    Sesion::Configura(url, QStringLiteral("BENCH"), mensajes);
    kd562::CreaTablas(Sesion::Conexion());
    Cifrado cifrado;
    cifrado.setLlave(kd562::LlaveCifrado);
    Sesion::Conexion().Ejecuta(
        QStringLiteral("INSERT INTO Pos_Servicio_Configuracion (Psc_URL, Psc_Usuario, "
                       "Psc_Password) VALUES (?, 'bench', ?)"),
        {simulador.URL(), cifrado.Transforma(QStringLiteral("x"))});

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

// The same final rows written set-wise in one transaction, on a database of its own: on
// PostgreSQL COPY of the services, COPY of the products into a staging table and one
// INSERT ... ON CONFLICT; on SQLite one prepared INSERT per row and the same upsert.
double MidePiso(int n, const QString& url) {
    auto cnn = Connection::Abre(url);
    kd562::CreaTablas(*cnn);
    const bool pg = cnn->motor() == Motor::PostgreSql;
    std::vector<QVariantList> servicios;
    std::vector<QVariantList> productos;
    QSet<QString> vistos;
    for (int i = 0; i < n; ++i) {
        const QString descripcion = QString::fromUtf8(kDescripciones[i % 8]);
        const bool tae = i % 8 < 6;
        const double monto = tae ? 10 + i / 8 : 0;
        const QString grupo = tae ? QStringLiteral("TAE") : QStringLiteral("SERVICIOS");
        const QString clave = kd562::ClaveProducto(grupo, descripcion, monto);
        servicios.push_back({QStringLiteral("S%1").arg(i, 6, 10, QChar('0')), descripcion,
                             QStringLiteral("01"), grupo, monto, QString(), clave});
        if (!vistos.contains(clave)) {
            vistos.insert(clave);
            productos.push_back({clave, descripcion, monto, grupo});
        }
    }
    const QStringList columnas = {"Psp_Cve_Producto", "Psp_Descripcion", "Psp_Tipo",
                                  "Psp_Grupo",        "Psp_Monto",       "Psp_Observacion",
                                  "Pr_Cve_Producto"};
    QElapsedTimer reloj;
    reloj.start();
    cnn->BeginTrans();
    cnn->Execute(pg ? QStringLiteral("CREATE TEMP TABLE piso (k TEXT, d TEXT, p DOUBLE PRECISION, "
                                     "g TEXT) ON COMMIT DROP")
                    : QStringLiteral("CREATE TEMP TABLE piso (k TEXT, d TEXT, p REAL, g TEXT)"));
    if (pg) {
        cnn->InsertaLote(QStringLiteral("Pos_Servicio_Producto"), columnas, servicios);
        cnn->InsertaLote(QStringLiteral("piso"), {"k", "d", "p", "g"}, productos);
    } else {
        const QString marcas = QStringLiteral("?, ?, ?, ?, ?, ?, ?");
        for (const QVariantList& fila : servicios)
            cnn->Ejecuta(QStringLiteral("INSERT INTO Pos_Servicio_Producto (%1) VALUES (%2)")
                             .arg(columnas.join(QStringLiteral(", ")), marcas),
                         fila);
        for (const QVariantList& fila : productos)
            cnn->Ejecuta(QStringLiteral("INSERT INTO piso VALUES (?, ?, ?, ?)"), fila);
    }
    cnn->Execute(QStringLiteral(
        "INSERT INTO Producto (Pr_Cve_Producto, Pr_Descripcion, Pr_Precio, Pr_Grupo) SELECT k, d, "
        "p, g FROM piso WHERE true ON CONFLICT (Pr_Cve_Producto) DO UPDATE SET Pr_Descripcion = "
        "excluded.Pr_Descripcion, Pr_Precio = excluded.Pr_Precio, Pr_Grupo = excluded.Pr_Grupo"));
    cnn->CommitTrans();
    return reloj.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    IniciaRed();
    QApplication aplicacion(argc, argv);
    kd562::Main();
    QList<int> tamanos = {1000, 10000, 100000};
    if (argc > 1) {
        tamanos.clear();
        for (int i = 1; i < argc; ++i)
            tamanos.append(QString::fromLatin1(argv[i]).toInt());
    }
    QTemporaryDir carpeta;
    const QString servidor = qEnvironmentVariable("KD562_PG_URL");
    std::printf("%-12s %9s %8s %8s %9s %7s %8s %8s %7s %10s\n", "motor", "servicios", "consulta",
                "plan", "escritura", "lista", "total", "piso", "razon", "sentencias");
    auto imprime = [](const char* motor, int n, const Fases& f, double piso) {
        std::printf("%-12s %9d %8.3f %8.3f %9.3f %7.3f %8.3f %8.3f %7.2f %10lld\n", motor, n,
                    f.consulta, f.plan, f.escritura, f.lista, f.total, piso,
                    piso > 0 ? (f.plan + f.escritura) / piso : 0.0,
                    static_cast<long long>(f.sentencias));
        std::fflush(stdout);
    };
    // A schema of its own on the server for each run.
    auto esquema = [&](const QString& nombre, quint16 puerto = 0) {
        auto admin = Connection::Abre(servidor);
        admin->Execute(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(nombre));
        admin->Execute(QStringLiteral("CREATE SCHEMA %1").arg(nombre));
        QUrl url(servidor);
        url.setQuery(QStringLiteral("schema=") + nombre);
        if (puerto)
            url.setPort(puerto);
        return url.toString();
    };
    for (int n : tamanos) {
        imprime("sqlite", n,
                MideScreen(n, QStringLiteral("sqlite:%1/bench-%2.db").arg(carpeta.path()).arg(n)),
                MidePiso(n, QStringLiteral("sqlite:%1/piso-%2.db").arg(carpeta.path()).arg(n)));
        if (servidor.isEmpty())
            continue;
        imprime("postgresql", n, MideScreen(n, esquema(QStringLiteral("bench_%1").arg(n))),
                MidePiso(n, esquema(QStringLiteral("piso_%1").arg(n))));
        if (n <= 10000) {
            Demora demora(static_cast<quint16>(QUrl(servidor).port(5432)), 500);
            imprime("pg+0.5ms", n,
                    MideScreen(n, esquema(QStringLiteral("lejos_%1").arg(n), demora.Puerto())),
                    MidePiso(n, esquema(QStringLiteral("pisolejos_%1").arg(n), demora.Puerto())));
        }
    }
    return 0;
}
