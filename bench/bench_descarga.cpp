// Downloads catalogues of growing size from the simulator into SQLite through the real
// screen, and prints the seconds of each phase next to the floor: the same rows written
// with prepared statements in one transaction.
#include "SimuladorPasarela.h"
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
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>
#include <QUrlQuery>
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
    double consulta = 0, reescritura = 0, mapeo = 0, lista = 0, total = 0;
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
    cifrado.setLlave(QStringLiteral("PaTiNoLuX"));
    Sesion::Conexion().Ejecuta(
        QStringLiteral("INSERT INTO Pos_Servicio_Configuracion (Psc_URL, Psc_Usuario, "
                       "Psc_Password) VALUES (?, 'bench', ?)"),
        {simulador.URL(), cifrado.Transforma(QStringLiteral("x"))});

    kd562::frmKD562& pantalla = kd562::frmKD562::Instancia();
    pantalla.Show();
    QElapsedTimer reloj;
    qint64 tDelete = -1, tMapeo = -1, tLista = -1;
    Sesion::Conexion().setObservador([&](const QString& sql) {
        if (tDelete < 0 && sql.startsWith(QStringLiteral("DELETE")))
            tDelete = reloj.nsecsElapsed();
        else if (tMapeo < 0 &&
                 sql.startsWith(QStringLiteral("SELECT * FROM Pos_Servicio_Producto")))
            tMapeo = reloj.nsecsElapsed();
        else if (tMapeo >= 0 && tLista < 0 && sql.startsWith(QStringLiteral("SELECT Psc_Usuario")))
            tLista = reloj.nsecsElapsed();
    });
    reloj.start();
    pantalla.Controles->Boton(1)->click();
    const qint64 fin = reloj.nsecsElapsed();
    Sesion::Conexion().setObservador(nullptr);
    if (mensajes->Cuenta() != 0 || pantalla.lvRegistros->ListItemsCount() != n) {
        std::fprintf(stderr, "la descarga de %d servicios no terminó: %s\n", n,
                     mensajes->Cuenta() ? qPrintable(mensajes->Ultimo().texto)
                                        : "lista incompleta");
        std::exit(1);
    }
    pantalla.Unload();
    Sesion::Cierra();
    Fases f;
    f.consulta = tDelete / 1e9;
    f.reescritura = (tMapeo - tDelete) / 1e9;
    f.mapeo = (tLista - tMapeo) / 1e9;
    f.lista = (fin - tLista) / 1e9;
    f.total = fin / 1e9;
    return f;
}

// The same rows with prepared statements in one transaction, on a database of its own.
double MidePiso(int n, const QString& url) {
    auto cnn = Connection::Abre(url);
    kd562::CreaTablas(*cnn);
    cnn.reset();
    QSqlDatabase base;
    if (url.startsWith(QStringLiteral("sqlite:"))) {
        base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("piso"));
        base.setDatabaseName(url.mid(7));
        base.open();
    } else {
        const QUrl direccion(url);
        base = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("piso"));
        base.setHostName(direccion.host());
        base.setPort(direccion.port(5432));
        base.setUserName(direccion.userName());
        base.setDatabaseName(direccion.path().mid(1));
        base.open();
        QSqlQuery(base).exec(QStringLiteral("SET search_path TO ") +
                             QUrlQuery(direccion).queryItemValue(QStringLiteral("schema")));
    }
    QElapsedTimer reloj;
    reloj.start();
    base.transaction();
    {
        QSqlQuery insert(base);
        insert.prepare(QStringLiteral(
            "INSERT INTO Pos_Servicio_Producto (Psp_Cve_Producto, Psp_Descripcion, Psp_Tipo, "
            "Psp_Grupo, Psp_Monto, Psp_Observacion, Pr_Cve_Producto) VALUES (?, ?, '01', ?, ?, "
            "?, '')"));
        QSqlQuery producto(base);
        producto.prepare(QStringLiteral("INSERT INTO Producto (Pr_Cve_Producto, "
                                        "Pr_Descripcion) VALUES (?, ?)"));
        QSqlQuery update(base);
        update.prepare(QStringLiteral("UPDATE Pos_Servicio_Producto SET Pr_Cve_Producto = ? "
                                      "WHERE Psp_Cve_Producto = ? AND Psp_Monto = ?"));
        for (int i = 0; i < n; ++i) {
            const QString clave = QStringLiteral("S%1").arg(i, 6, 10, QChar('0'));
            const QString descripcion = QString::fromUtf8(kDescripciones[i % 8]);
            const double monto = i % 8 < 6 ? 10 + i / 8 : 0;
            insert.addBindValue(clave);
            insert.addBindValue(descripcion);
            insert.addBindValue(QStringLiteral("TAE"));
            insert.addBindValue(monto);
            insert.addBindValue(QString());
            insert.exec();
        }
        for (int i = 0; i < n; ++i) {
            const QString clave = QStringLiteral("S%1").arg(i, 6, 10, QChar('0'));
            const QString producto_clave = QStringLiteral("P%1").arg(i);
            producto.addBindValue(producto_clave);
            producto.addBindValue(QString::fromUtf8(kDescripciones[i % 8]));
            producto.exec();
            update.addBindValue(producto_clave);
            update.addBindValue(clave);
            update.addBindValue(i % 8 < 6 ? 10 + i / 8 : 0.0);
            update.exec();
        }
    }
    base.commit();
    const double segundos = reloj.nsecsElapsed() / 1e9;
    base.close();
    base = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("piso"));
    return segundos;
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
    // With KD562_PG_URL (a PostgreSQL server, as scripts/pg-servidor gives) the same sizes run
    // there too, each in schemas of their own.
    const QString servidor = qEnvironmentVariable("KD562_PG_URL");
    std::printf("%-10s %9s %9s %11s %9s %9s %9s %9s\n", "motor", "servicios", "consulta",
                "reescritura", "mapeo", "lista", "total", "piso");
    for (int n : tamanos) {
        QList<std::pair<QString, QStringList>> motores = {
            {QStringLiteral("sqlite"),
             {QStringLiteral("sqlite:%1/bench-%2.db").arg(carpeta.path()).arg(n),
              QStringLiteral("sqlite:%1/piso-%2.db").arg(carpeta.path()).arg(n)}}};
        if (!servidor.isEmpty()) {
            auto admin = Connection::Abre(servidor);
            QStringList urls;
            for (const QString& esquema :
                 {QStringLiteral("bench_%1").arg(n), QStringLiteral("piso_%1").arg(n)}) {
                admin->Execute(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(esquema));
                admin->Execute(QStringLiteral("CREATE SCHEMA %1").arg(esquema));
                QUrl url(servidor);
                url.setQuery(QStringLiteral("schema=") + esquema);
                urls.append(url.toString());
            }
            motores.append({QStringLiteral("postgresql"), urls});
        }
        for (const auto& [motor, urls] : motores) {
            const Fases f = MideScreen(n, urls.at(0));
            const double piso = MidePiso(n, urls.at(1));
            std::printf("%-10s %9d %9.3f %11.3f %9.3f %9.3f %9.3f %9.3f\n", qPrintable(motor), n,
                        f.consulta, f.reescritura, f.mapeo, f.lista, f.total, piso);
            std::fflush(stdout);
        }
    }
    return 0;
}
