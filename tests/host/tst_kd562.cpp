#include "BaseNueva.h"
#include "BaseTemporal.h"
#include "SimuladorPasarela.h"
#include "data/Tablas.h"
#include "forms/CargaModulo.h"
#include "host/Anfitrion.h"
#include "host/Opciones.h"
#include "runtime/Cifrado.h"
#include "runtime/Funciones.h"
#include "runtime/Sesion.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace corvanta;

namespace {

struct Corrida {
    int salida = -1;
    QString estandar;
    QString errores;
};

class Kd562 {
public:
    Kd562() : mDb(mBase.Url()) {}

    Corrida Corre(QStringList argumentos, const QByteArray& entrada = {},
                  const QString& db = QString()) {
        argumentos.prepend(db.isEmpty() ? mDb : db);
        argumentos.prepend(QStringLiteral("--db"));
        argumentos.prepend(QStringLiteral("CAJA9"));
        argumentos.prepend(QStringLiteral("--operator"));
        return CorreSolo(argumentos, entrada);
    }
    // Exactly these arguments; the configuration files are this test's own.
    Corrida CorreSolo(const QStringList& argumentos, const QByteArray& entrada = {}) {
        QProcess proceso;
        proceso.setWorkingDirectory(mBase.Carpeta());
        // "show" keeps the toolkit's diagnostics; a runtime folder of its own keeps them quiet.
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(QStringLiteral("XDG_RUNTIME_DIR"), mEjecucion.path());
        entorno.insert(QStringLiteral("KD562_CONF_SISTEMA"), ConfSistema());
        entorno.insert(QStringLiteral("XDG_CONFIG_HOME"), mConfig.path());
        proceso.setProcessEnvironment(entorno);
        proceso.start(QStringLiteral(KD562_EXE), argumentos);
        if (!proceso.waitForStarted())
            return {};
        proceso.write(entrada);
        proceso.closeWriteChannel();
        proceso.waitForFinished(120000);
        mLineas.append(argumentos.join(QLatin1Char(' ')));
        return {proceso.exitStatus() == QProcess::NormalExit ? proceso.exitCode() : -1,
                QString::fromUtf8(proceso.readAllStandardOutput()),
                QString::fromUtf8(proceso.readAllStandardError())};
    }
    QString Db() const { return mDb; }
    QString Carpeta() const { return mBase.Carpeta(); }
    QString ConfSistema() const { return mConfig.filePath(QStringLiteral("sistema.conf")); }
    QString ConfUsuario() const { return mConfig.filePath(QStringLiteral("kd562/kd562.conf")); }

private:
    QTemporaryDir mConfig;
    prueba::BaseNueva mBase;
    QTemporaryDir mEjecucion;
    QString mDb;
    QStringList mLineas;
};

QJsonArray Catalogo() {
    QJsonArray catalogo;
    catalogo.append(QJsonObject{{"PRODUCTO", "TEL100"},
                                {"DESCRIPCION", "Televia"},
                                {"GRUPO", "TAE"},
                                {"MONTO", 100},
                                {"OBSERVACION", ""}});
    catalogo.append(QJsonObject{{"PRODUCTO", "LUZ"},
                                {"DESCRIPCION", "Pago de luz"},
                                {"GRUPO", "SERVICIOS"},
                                {"MONTO", 0},
                                {"OBSERVACION", "Nota"}});
    return catalogo;
}

void Escribe(const QString& ruta, const QString& texto) {
    QDir().mkpath(QFileInfo(ruta).path());
    QFile archivo(ruta);
    QVERIFY(archivo.open(QIODevice::WriteOnly | QIODevice::Truncate));
    archivo.write(texto.toUtf8());
}

qlonglong Cuenta(const QString& db, const QString& sql) {
    auto cnn = Connection::Abre(db);
    Recordset rs = cnn->Execute(sql);
    return rs.Fields(0).toLongLong();
}

} // namespace

class TstKd562 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { KD562_SALTA_SIN_SERVIDOR(); }
    void argumentosMalos_data();
    void argumentosMalos();
    void ayudaYVersion_data();
    void ayudaYVersion();
    void opcionesAntesODespues_data();
    void opcionesAntesODespues();
    void precedenciaDeConfiguracion_data();
    void precedenciaDeConfiguracion();
    void configuracionDelSistema();
    void baseInservible();
    void tablasDeOtraForma_data();
    void tablasDeOtraForma();
    void soloInitCreaLaBase_data();
    void soloInitCreaLaBase();
    void moduloAusente();
    void initDemoNoSobrescribe();
    void cuentaDescargaYLista();
    void cuentaRechazada();
    void descargaFallida();
    void simulacionYRetiroMasivo();
    void resumenEnLineaDeEstado();
    void transaccionDelAnfitrion();
};

void TstKd562::argumentosMalos_data() {
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<QString>("nombra"); // what the one line must name
    QTest::newRow("sin comando") << QStringList() << "comando";
    QTest::newRow("comando desconocido") << QStringList({"borra"}) << "borra";
    QTest::newRow("ayuda de comando desconocido") << QStringList({"help", "borra"}) << "borra";
    QTest::newRow("opcion desconocida antes") << QStringList({"--bogus", "list"}) << "--bogus";
    QTest::newRow("opcion desconocida despues") << QStringList({"list", "--bogus"}) << "--bogus";
    QTest::newRow("opcion corta desconocida") << QStringList({"list", "-x"}) << "-x";
    QTest::newRow("password en linea")
        << QStringList({"account", "--user", "u", "--password", "SECRETO1"}) << "--password-stdin";
    QTest::newRow("password con igual")
        << QStringList({"account", "--user", "u", "--password=SECRETO1"}) << "--password-stdin";
    QTest::newRow("password antes del comando")
        << QStringList({"--password", "SECRETO1", "account", "--user", "u"}) << "--password-stdin";
    QTest::newRow("account sin usuario") << QStringList({"account"}) << "--user";
    QTest::newRow("opcion de otro comando") << QStringList({"list", "--yes"}) << "--yes";
    QTest::newRow("dry-run fuera de sync") << QStringList({"--dry-run", "list"}) << "--dry-run";
    QTest::newRow("allow-shrink fuera de sync")
        << QStringList({"init", "--allow-shrink"}) << "--allow-shrink";
    QTest::newRow("db sin valor") << QStringList({"list", "--db"}) << "--db";
    QTest::newRow("valor de mas") << QStringList({"sync", "--yes=1"}) << "--yes";
    QTest::newRow("argumento de mas") << QStringList({"list", "todo"}) << "todo";
}

void TstKd562::argumentosMalos() {
    QFETCH(QStringList, argumentos);
    QFETCH(QString, nombra);
    Kd562 kd;
    const Corrida c = kd.Corre(argumentos);
    QCOMPARE(c.salida, 2);
    QVERIFY2(c.errores.startsWith(QStringLiteral("kd562: ")), qPrintable(c.errores));
    QCOMPARE(c.errores.count(QLatin1Char('\n')), 1);
    QVERIFY2(c.errores.contains(nombra), qPrintable(c.errores));
    QVERIFY2(c.errores.contains(QStringLiteral("kd562 --help")), qPrintable(c.errores));
    QVERIFY(!c.errores.contains(QStringLiteral("SECRETO1")));
    QVERIFY(c.estandar.isEmpty());
}

void TstKd562::ayudaYVersion_data() {
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<QString>("comienza");
    QTest::addColumn<QString>("contiene");
    const QString general = QStringLiteral("Uso: kd562 [OPCIONES] COMANDO");
    const QString sync = QStringLiteral("Uso: kd562 [OPCIONES] sync [--yes] [--dry-run]");
    const QString version = QStringLiteral("kd562 " KD562_VERSION "\n");
    QTest::newRow("--help") << QStringList({"--help"}) << general << "--allow-shrink";
    QTest::newRow("-h") << QStringList({"-h"}) << general << "/etc/kd562.conf";
    QTest::newRow("help") << QStringList({"help"}) << general << "account";
    QTest::newRow("help sync") << QStringList({"help", "sync"}) << sync << "--allow-shrink";
    QTest::newRow("sync --help") << QStringList({"sync", "--help"}) << sync << "--dry-run";
    QTest::newRow("--help antes de sync") << QStringList({"--help", "sync"}) << sync << "--yes";
    QTest::newRow("help account") << QStringList({"help", "account"})
                                  << "Uso: kd562 [OPCIONES] account"
                                  << "--password-stdin";
    QTest::newRow("--version") << QStringList({"--version"}) << version << version;
    QTest::newRow("-v con base") << QStringList({"--db", "sqlite:x.db", "-v"}) << version
                                 << version;
}

void TstKd562::ayudaYVersion() {
    QFETCH(QStringList, argumentos);
    QFETCH(QString, comienza);
    QFETCH(QString, contiene);
    Kd562 kd;
    const Corrida c = kd.CorreSolo(argumentos);
    QCOMPARE(c.salida, 0);
    QVERIFY2(c.estandar.startsWith(comienza), qPrintable(c.estandar));
    QVERIFY(c.estandar.contains(contiene));
    QCOMPARE(c.errores, QString());
    // Nothing was opened or created.
    QVERIFY(!QFileInfo::exists(kd.Carpeta() + QStringLiteral("/corvanta.db")));
}

void TstKd562::opcionesAntesODespues_data() {
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<QString>("db");
    QTest::addColumn<QString>("operador");
    QTest::addColumn<QString>("comando");
    QTest::addColumn<QString>("banderas"); // s: --yes, d: --dry-run, r: --allow-shrink
    QTest::newRow("todo antes") << QStringList({"--db", "sqlite:a.db", "--operator", "C1", "sync"})
                                << "sqlite:a.db"
                                << "C1"
                                << "sync"
                                << "";
    QTest::newRow("todo despues") << QStringList({"sync", "--yes", "--db", "sqlite:b.db",
                                                  "--operator", "C2"})
                                  << "sqlite:b.db"
                                  << "C2"
                                  << "sync"
                                  << "s";
    QTest::newRow("revuelto") << QStringList(
                                     {"--dry-run", "--db", "sqlite:c.db", "sync", "--allow-shrink"})
                              << "sqlite:c.db"
                              << ""
                              << "sync"
                              << "dr";
    QTest::newRow("yes y dry-run")
        << QStringList({"sync", "--dry-run", "--yes"}) << "sqlite:corvanta.db"
        << ""
        << "sync"
        << "sd";
    QTest::newRow("la ultima manda")
        << QStringList({"--db", "sqlite:1.db", "list", "--db", "sqlite:2.db"}) << "sqlite:2.db"
        << ""
        << "list"
        << "";
}

void TstKd562::opcionesAntesODespues() {
    QFETCH(QStringList, argumentos);
    QFETCH(QString, db);
    QFETCH(QString, operador);
    QFETCH(QString, comando);
    QFETCH(QString, banderas);
    const kd562host::Opciones o = kd562host::LeeOpciones(argumentos);
    QCOMPARE(o.db, db);
    QCOMPARE(o.operador, operador);
    QCOMPARE(o.comando, comando);
    QCOMPARE(o.si, banderas.contains(QLatin1Char('s')));
    QCOMPARE(o.simulacion, banderas.contains(QLatin1Char('d')));
    QCOMPARE(o.permiteReduccion, banderas.contains(QLatin1Char('r')));
}

void TstKd562::precedenciaDeConfiguracion_data() {
    QTest::addColumn<QString>("sistema"); // file contents; empty: no file
    QTest::addColumn<QString>("usuario");
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<QString>("db");
    QTest::addColumn<QString>("operador");
    const QString porOmision = QStringLiteral("sqlite:corvanta.db");
    QTest::newRow("sin archivos") << ""
                                  << "" << QStringList({"list"}) << porOmision << "";
    QTest::newRow("solo sistema") << "db=sqlite:/s.db\noperator=S\n"
                                  << "" << QStringList({"list"}) << "sqlite:/s.db"
                                  << "S";
    QTest::newRow("usuario sobre sistema") << "db=sqlite:/s.db\noperator=S\n"
                                           << "db=sqlite:/u.db\n"
                                           << QStringList({"list"}) << "sqlite:/u.db"
                                           << "S";
    QTest::newRow("opcion sobre ambos")
        << "db=sqlite:/s.db\noperator=S\n"
        << "db=sqlite:/u.db\noperator=U\n"
        << QStringList({"list", "--operator", "F"}) << "sqlite:/u.db"
        << "F";
    QTest::newRow("comentados no cuentan") << "# Ejemplo\n#db=sqlite:/s.db\n;operator=S\n"
                                           << "" << QStringList({"list"}) << porOmision << "";
    QTest::newRow("postgresql con seccion")
        << "[General]\ndb=postgresql://caja@servidor:5432/corvanta\n"
        << "" << QStringList({"list"}) << "postgresql://caja@servidor:5432/corvanta"
        << "";
    QTest::newRow("valor con coma") << "db=sqlite:/tiendas/a,b.db\n"
                                    << "" << QStringList({"list"}) << "sqlite:/tiendas/a,b.db"
                                    << "";
    QTest::newRow("vacio no borra") << "db=sqlite:/s.db\n"
                                    << "db=\n"
                                    << QStringList({"list"}) << "sqlite:/s.db"
                                    << "";
}

void TstKd562::precedenciaDeConfiguracion() {
    QFETCH(QString, sistema);
    QFETCH(QString, usuario);
    QFETCH(QStringList, argumentos);
    QFETCH(QString, db);
    QFETCH(QString, operador);
    QTemporaryDir carpeta;
    const QStringList archivos = {carpeta.filePath(QStringLiteral("etc/kd562.conf")),
                                  carpeta.filePath(QStringLiteral("usuario/kd562.conf"))};
    if (!sistema.isEmpty())
        Escribe(archivos.at(0), sistema);
    if (!usuario.isEmpty())
        Escribe(archivos.at(1), usuario);
    const kd562host::Opciones o = kd562host::LeeOpciones(argumentos, archivos);
    QCOMPARE(o.db, db);
    QCOMPARE(o.operador, operador);
}

void TstKd562::configuracionDelSistema() {
    // The program itself reads the system file, then the user's, with no --db.
    Kd562 kd;
    const QString sistema = kd.Carpeta() + QStringLiteral("/sistema.db");
    const QString usuario = kd.Carpeta() + QStringLiteral("/usuario.db");
    Escribe(kd.ConfSistema(), QStringLiteral("db=sqlite:%1\n").arg(sistema));
    QCOMPARE(kd.CorreSolo({QStringLiteral("init")}).salida, 0);
    QVERIFY(QFileInfo::exists(sistema));
    Escribe(kd.ConfUsuario(), QStringLiteral("db=sqlite:%1\n").arg(usuario));
    QCOMPARE(kd.CorreSolo({QStringLiteral("list")}).salida, 2); // no tables there yet
    QCOMPARE(kd.CorreSolo({QStringLiteral("init")}).salida, 0);
    QVERIFY(QFileInfo::exists(usuario));
    QCOMPARE(kd.CorreSolo({QStringLiteral("list")}).salida, 0);
    // The flag wins over both files.
    const Corrida c = kd.CorreSolo(
        {QStringLiteral("list"), QStringLiteral("--db"), QStringLiteral("sqlite:/no/existe/x.db")});
    QCOMPARE(c.salida, 2);
    QVERIFY(!QFileInfo::exists(kd.Carpeta() + QStringLiteral("/corvanta.db")));
}

void TstKd562::baseInservible() {
    Kd562 kd;
    // A folder that does not exist, a file that is not a database, a database without tables.
    QFile basura(kd.Carpeta() + QStringLiteral("/basura.db"));
    QVERIFY(basura.open(QIODevice::WriteOnly));
    basura.write(QByteArray(4096, 'x'));
    basura.close();
    const QStringList bases = {QStringLiteral("sqlite:/no/existe/tienda.db"),
                               QStringLiteral("sqlite:") + basura.fileName(),
                               QStringLiteral("sqlite:") + kd.Carpeta() +
                                   QStringLiteral("/vacia.db"),
                               QStringLiteral("postgres://x")};
    for (const QString& db : bases) {
        const Corrida c = kd.Corre({QStringLiteral("list")}, {}, db);
        QCOMPARE(c.salida, 2);
        QCOMPARE(c.errores.count(QLatin1Char('\n')), 1);
        QVERIFY2(c.errores.startsWith(QStringLiteral("kd562: ")), qPrintable(c.errores));
    }
}

void TstKd562::tablasDeOtraForma_data() {
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<QString>("tabla");
    QTest::addColumn<QString>("columna"); // left out when the tables are made
    const QList<QStringList> comandos = {
        {"init"},
        {"init", "--demo"},
        {"list"},
        {"sync", "--yes"},
        {"account", "--url", "http://127.0.0.1:1/ws", "--user", "u"},
        {"show"}};
    const QList<QStringList> faltas = {{"Pos_Servicio_Configuracion", "Psc_Password"},
                                       {"Pos_Servicio_Producto", "Psp_Monto"},
                                       {"Producto", "Pr_Descripcion_Corta"}};
    for (const QStringList& comando : comandos)
        for (const QStringList& falta : faltas)
            QTest::addRow("%s sin %s", qPrintable(comando.join(QLatin1Char(' '))),
                          qPrintable(falta.at(1)))
                << comando << falta.at(0) << falta.at(1);
}

void TstKd562::tablasDeOtraForma() {
    QFETCH(QStringList, argumentos);
    QFETCH(QString, tabla);
    QFETCH(QString, columna);
    Kd562 kd;
    const QString volcado = QStringLiteral("SELECT COUNT(*) FROM Producto");
    {
        // The module's tables, one of them without one column; no index refers to it.
        auto cnn = Connection::Abre(kd.Db());
        for (QString sentencia : kd562::DefinicionTablas(*cnn)) {
            if (!sentencia.startsWith(QStringLiteral("CREATE TABLE")))
                continue;
            if (sentencia.contains(QStringLiteral(" ") + tabla + QStringLiteral(" (")))
                sentencia.replace(QRegularExpression(columna + QStringLiteral(" [^,]*, ")),
                                  QString());
            cnn->Execute(sentencia);
        }
    }
    QVERIFY(kd562::ColumnaFaltante(*Connection::Abre(kd.Db())) == tabla + "." + columna);
    const Corrida c = kd.Corre(argumentos);
    QCOMPARE(c.salida, 2);
    QCOMPARE(c.errores,
             QStringLiteral("kd562: La tabla %1 no tiene la columna %2\n").arg(tabla, columna));
    QVERIFY(c.estandar.isEmpty());
    QCOMPARE(Cuenta(kd.Db(), volcado), 0); // not even the demo products
}

void TstKd562::soloInitCreaLaBase_data() {
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<QString>("db"); // relative to the working folder
    QTest::newRow("list") << QStringList{"list"} << "sqlite:corvanta.db";
    QTest::newRow("sync") << QStringList{"sync", "--yes"} << "sqlite:corvanta.db";
    QTest::newRow("account") << QStringList{"account", "--url", "http://127.0.0.1:1/ws", "--user",
                                            "u"}
                             << "sqlite:otra.db";
    QTest::newRow("show") << QStringList{"show"} << "sqlite:corvanta.db";
    QTest::newRow("carpeta inexistente") << QStringList{"list"} << "sqlite:falta/corvanta.db";
}

void TstKd562::soloInitCreaLaBase() {
    QFETCH(QStringList, argumentos);
    QFETCH(QString, db);
    Kd562 kd;
    const QString archivo = QDir(kd.Carpeta()).filePath(db.mid(7));
    const QStringList antes = QDir(kd.Carpeta()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    const Corrida c = kd.Corre(argumentos, {}, db);
    QCOMPARE(c.salida, 2);
    QCOMPARE(c.errores.count(QLatin1Char('\n')), 1);
    QVERIFY2(c.errores.startsWith(QStringLiteral("kd562: No existe la base de datos")),
             qPrintable(c.errores));
    QCOMPARE(QDir(kd.Carpeta()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), antes);
    // Only init makes the file, where the others looked for it.
    if (!db.contains(QLatin1Char('/'))) {
        QCOMPARE(kd.Corre({QStringLiteral("init")}, {}, db).salida, 0);
        QVERIFY(QFileInfo(archivo).isFile());
        QCOMPARE(kd.Corre({QStringLiteral("list")}, {}, db).salida, 0);
    }
}

void TstKd562::moduloAusente() {
    Kd562 kd;
    QCOMPARE(kd.Corre({QStringLiteral("init")}).salida, 0);
    QTemporaryDir vacia;
    const Corrida c = kd.Corre({QStringLiteral("--modules"), vacia.path(), QStringLiteral("list")});
    QCOMPARE(c.salida, 2);
    QVERIFY(c.errores.contains(QStringLiteral("KD562")));
    QCOMPARE(c.errores.count(QLatin1Char('\n')), 1);
    // A file that is not a module.
    QFile falso(vacia.filePath(QStringLiteral("libKD562.so")));
    QVERIFY(falso.open(QIODevice::WriteOnly));
    falso.write("no es una biblioteca");
    falso.close();
    const Corrida roto =
        kd.Corre({QStringLiteral("--modules"), vacia.path(), QStringLiteral("list")});
    QCOMPARE(roto.salida, 2);
    QCOMPARE(roto.errores.count(QLatin1Char('\n')), 1);
}

void TstKd562::initDemoNoSobrescribe() {
    Kd562 kd;
    QCOMPARE(kd.Corre({QStringLiteral("init"), QStringLiteral("--demo")}).salida, 0);
    QVERIFY(Cuenta(kd.Db(), QStringLiteral("SELECT COUNT(*) FROM Producto")) > 0);
    const qlonglong productos = Cuenta(kd.Db(), QStringLiteral("SELECT COUNT(*) FROM Producto"));
    {
        auto cnn = Connection::Abre(kd.Db());
        cnn->Execute(QStringLiteral("UPDATE Producto SET Pr_Descripcion = 'mio'"));
    }
    QCOMPARE(kd.Corre({QStringLiteral("init"), QStringLiteral("--demo")}).salida, 0);
    QCOMPARE(Cuenta(kd.Db(), QStringLiteral("SELECT COUNT(*) FROM Producto")), productos);
    QCOMPARE(Cuenta(kd.Db(), QStringLiteral("SELECT COUNT(*) FROM Producto WHERE "
                                            "Pr_Descripcion <> 'mio'")),
             0);
}

void TstKd562::cuentaDescargaYLista() {
    simulador::Configuracion configuracion;
    configuracion.catalogo = Catalogo();
    configuracion.usuario = QStringLiteral("tienda");
    configuracion.password = QStringLiteral("Pw-Secreta-77");
    simulador::SimuladorPasarela simulador(configuracion);
    QVERIFY(simulador.Inicia() != 0);
    Kd562 kd;
    QCOMPARE(kd.Corre({QStringLiteral("init")}).salida, 0);

    // No account yet: listing works, with the load's warning on standard error.
    Corrida c = kd.Corre({QStringLiteral("list")});
    QCOMPARE(c.salida, 0);
    QVERIFY(c.errores.contains(QStringLiteral("No se encontró configuración para mostrar")));

    c = kd.Corre({QStringLiteral("account"), QStringLiteral("--url"), simulador.URL(),
                  QStringLiteral("--user"), QStringLiteral("tienda"),
                  QStringLiteral("--password-stdin")},
                 QByteArrayLiteral("Pw-Secreta-77\n"));
    QCOMPARE(c.salida, 0);
    QString todo = c.estandar + c.errores;

    c = kd.Corre({QStringLiteral("sync")});
    QCOMPARE(c.salida, 0); // empty catalogue: no question to answer
    todo += c.estandar + c.errores;
    QVERIFY(c.estandar.endsWith(QStringLiteral("Total: 2\n")));
    const QStringList lineas = c.estandar.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lineas.first(), QStringLiteral("Servicio\tDescripción\tGrupo\tMonto\tClave\tProducto\t"
                                            "Observaciones"));
    QCOMPARE(lineas.size(), 4);

    // Services stored now: without --yes the question is answered No.
    c = kd.Corre({QStringLiteral("sync")});
    QCOMPARE(c.salida, 1);
    QVERIFY(c.errores.contains(QStringLiteral("[PREGUNTA]")));
    QCOMPARE(simulador.Peticiones(), 1);
    c = kd.Corre({QStringLiteral("sync"), QStringLiteral("--yes")});
    QCOMPARE(c.salida, 0);
    QCOMPARE(simulador.Peticiones(), 2);
    todo += c.estandar + c.errores;

    c = kd.Corre({QStringLiteral("list")});
    QCOMPARE(c.salida, 0);
    QVERIFY(c.estandar.contains(QStringLiteral("TEL100\tTelevia\tTAE\t100\t100Tele")));
    QVERIFY(c.errores.isEmpty());
    todo += c.estandar + c.errores;

    // The password never shows, and is stored enciphered.
    QVERIFY(!todo.contains(QStringLiteral("Pw-Secreta-77")));
    auto cnn = Connection::Abre(kd.Db());
    Recordset rs = cnn->Execute(QStringLiteral("SELECT Psc_Password, Oper_Alta FROM "
                                               "Pos_Servicio_Configuracion"));
    QVERIFY(rs.Fields(0).toString() != QStringLiteral("Pw-Secreta-77"));
    QCOMPARE(rs.Fields(1).toString(), QStringLiteral("CAJA9"));

    // A field not given keeps what the dialog loaded: only the URL changes.
    c = kd.Corre({QStringLiteral("account"), QStringLiteral("--url"),
                  QStringLiteral("http://127.0.0.1:1/wsService"), QStringLiteral("--user"),
                  QStringLiteral("tienda")});
    QCOMPARE(c.salida, 0);
    Recordset despues = cnn->Execute(QStringLiteral("SELECT Psc_Password, Psc_URL FROM "
                                                    "Pos_Servicio_Configuracion"));
    QCOMPARE(despues.Fields(0).toString(), rs.Fields(0).toString());
    QCOMPARE(despues.Fields(1).toString(), QStringLiteral("http://127.0.0.1:1/wsService"));
}

void TstKd562::cuentaRechazada() {
    Kd562 kd;
    QCOMPARE(kd.Corre({QStringLiteral("init")}).salida, 0);
    const Corrida c =
        kd.Corre({QStringLiteral("account"), QStringLiteral("--url"), QStringLiteral("   "),
                  QStringLiteral("--user"), QStringLiteral("tienda")});
    QCOMPARE(c.salida, 1);
    QVERIFY(c.errores.contains(QStringLiteral("Debe especificar un valor en el campo URL WS")));
    QVERIFY(c.errores.contains(QStringLiteral("ERR-ID:7500016")));
    QCOMPARE(Cuenta(kd.Db(), QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Configuracion")), 0);
}

void TstKd562::descargaFallida() {
    simulador::Configuracion configuracion;
    configuracion.estadoHttp = 503;
    simulador::SimuladorPasarela simulador(configuracion);
    QVERIFY(simulador.Inicia() != 0);
    Kd562 kd;
    QCOMPARE(kd.Corre({QStringLiteral("init")}).salida, 0);
    QCOMPARE(kd.Corre({QStringLiteral("account"), QStringLiteral("--url"), simulador.URL(),
                       QStringLiteral("--user"), QStringLiteral("t")})
                 .salida,
             0);
    const Corrida c = kd.Corre({QStringLiteral("sync"), QStringLiteral("--yes")});
    QCOMPARE(c.salida, 1);
    QVERIFY(c.errores.contains(QStringLiteral("[CRITICO] Controles_B1Click()")));
    QVERIFY(c.errores.contains(QStringLiteral("503")));
    // Every message is one line.
    for (const QString& linea : c.errores.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        QVERIFY2(linea.startsWith(QLatin1Char('[')), qPrintable(linea));
}

void TstKd562::simulacionYRetiroMasivo() {
    simulador::Configuracion primera;
    primera.catalogo = Catalogo();
    simulador::SimuladorPasarela pasarela(primera);
    QVERIFY(pasarela.Inicia() != 0);
    // A glitch: the gateway now answers one service the shop never had.
    simulador::Configuracion recortada;
    recortada.catalogo = {QJsonObject{{"PRODUCTO", "AGUA"},
                                      {"DESCRIPCION", "Agua potable"},
                                      {"GRUPO", "SERVICIOS"},
                                      {"MONTO", 0},
                                      {"OBSERVACION", ""}}};
    simulador::SimuladorPasarela glitch(recortada);
    QVERIFY(glitch.Inicia() != 0);
    Kd562 kd;
    QCOMPARE(kd.Corre({"init"}).salida, 0);
    QCOMPARE(kd.Corre({"account", "--url", pasarela.URL(), "--user", "t"}).salida, 0);
    Corrida c = kd.Corre({"sync"});
    QCOMPARE(c.salida, 0);
    QVERIFY2(c.errores.contains(
                 QStringLiteral("Servicios: 2 nuevos, 0 retirados, 0 cambiados, 0 sin cambio\n"
                                "Productos: 2 nuevos, 0 cambiados, 0 sin cambio\n")),
             qPrintable(c.errores));
    QCOMPARE(kd.Corre({"account", "--url", glitch.URL(), "--user", "t"}).salida, 0);
    auto tablas = [&] {
        auto cnn = Connection::Abre(kd.Db());
        QStringList filas;
        for (Recordset rs = cnn->Execute(QStringLiteral(
                 "SELECT Psp_Cve_Producto, Pr_Cve_Producto FROM Pos_Servicio_Producto UNION ALL "
                 "SELECT Pr_Cve_Producto, Pr_Descripcion FROM Producto ORDER BY 1"));
             !rs.Eof(); rs.MoveNext())
            filas.append(rs.Fields(0).toString() + QLatin1Char('|') + rs.Fields(1).toString());
        return filas;
    };
    const QStringList antes = tablas();
    const QString linea = QStringLiteral("La descarga retiraría 2 de los 2 servicios guardados");

    // The preview asks nothing, shows the guard and the list as it would be, keeps nothing.
    c = kd.Corre({"sync", "--dry-run"});
    QCOMPARE(c.salida, 0);
    QVERIFY2(c.errores.contains(linea), qPrintable(c.errores));
    QVERIFY(!c.errores.contains(QStringLiteral("[PREGUNTA]")));
    QVERIFY(c.errores.endsWith(QStringLiteral("\nSimulación: no se guardó ningún cambio\n")));
    QVERIFY(c.estandar.contains(QStringLiteral("AGUA\tAgua potable")));
    QVERIFY(c.estandar.endsWith(QStringLiteral("Total: 1\n")));
    QCOMPARE(tablas(), antes);

    // Unattended, it stops before writing, in one line.
    c = kd.Corre({"sync", "--yes"});
    QCOMPARE(c.salida, 1);
    QCOMPARE(c.errores.count(linea), 1);
    QVERIFY(!c.errores.contains(QStringLiteral("Servicios:")));
    QVERIFY(c.estandar.endsWith(QStringLiteral("Total: 2\n")));
    QCOMPARE(tablas(), antes);

    c = kd.Corre({"sync", "--yes", "--allow-shrink"});
    QCOMPARE(c.salida, 0);
    QVERIFY(c.errores.contains(QStringLiteral("Servicios: 1 nuevos, 2 retirados")));
    QVERIFY(c.estandar.endsWith(QStringLiteral("Total: 1\n")));
}

void TstKd562::resumenEnLineaDeEstado() {
    simulador::Configuracion configuracion;
    configuracion.catalogo = Catalogo();
    simulador::SimuladorPasarela pasarela(configuracion);
    QVERIFY(pasarela.Inicia() != 0);
    prueba::BaseTemporal base;
    base.AgregaCuenta(pasarela.URL(), QStringLiteral("t"), QStringLiteral("p"));
    IModulo* modulo =
        CargaModulo(qEnvironmentVariable("KD562_MODULE_DIR"), QStringLiteral("KD562"));
    std::unique_ptr<QObject> clase(modulo->CreaObjeto(QStringLiteral("Pantalla")));
    auto* pantalla = qobject_cast<PantallaSuite*>(clase->property("GetPantalla").value<QObject*>());
    QVERIFY(pantalla);
    kd562host::Anfitrion anfitrion;
    anfitrion.Abre(pantalla);
    pantalla->Ventana()->findChild<QToolButton*>(QStringLiteral("b1"))->click();
    // No extra message: the summary's first line is in the status line.
    QCOMPARE(base.Mensajes().Cuenta(), 0);
    auto* estado = anfitrion.findChild<QLabel*>(QStringLiteral("estado"));
    QVERIFY(estado);
    QCOMPARE(estado->text(),
             QStringLiteral("Servicios: 2 nuevos, 0 retirados, 0 cambiados, 0 sin cambio"));
    anfitrion.close();
}

void TstKd562::transaccionDelAnfitrion() {
    prueba::BaseTemporal base;
    IModulo* modulo =
        CargaModulo(qEnvironmentVariable("KD562_MODULE_DIR"), QStringLiteral("KD562"));
    std::unique_ptr<QObject> clase(modulo->CreaObjeto(QStringLiteral("Pantalla")));
    auto* pantalla = qobject_cast<PantallaSuite*>(clase->property("GetPantalla").value<QObject*>());
    QVERIFY(pantalla);
    Funciones funciones;
    QString anterior;
    for (int vez = 0; vez < 2; ++vez) {
        kd562host::Anfitrion anfitrion;
        anfitrion.Abre(pantalla);
        QVERIFY(!anfitrion.Transaccion().isEmpty());
        QVERIFY(anfitrion.Transaccion() != anterior);
        anterior = anfitrion.Transaccion();
        QCOMPARE(anfitrion.Estado(), QStringLiteral("Transacción: ") +
                                         funciones.ClaveTransaccion(anfitrion.Transaccion(),
                                                                    QStringLiteral("Corvanta")));
        // The screen's exit button closes the container; the screen instance lives on.
        auto* salir = pantalla->Ventana()->findChild<QToolButton*>(QStringLiteral("salir"));
        QVERIFY(salir);
        salir->click();
        QVERIFY(!anfitrion.isVisible());
        QVERIFY(!pantalla->Cargada());
    }
}

QTEST_MAIN(TstKd562)
#include "tst_kd562.moc"
