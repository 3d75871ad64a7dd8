#include "BaseTemporal.h"
#include "Kd562Prueba.h"
#include "SimuladorPasarela.h"
#include "component/Publico.h"
#include "data/Tablas.h"
#include "forms/CargaModulo.h"
#include "host/Anfitrion.h"
#include "runtime/Funciones.h"

#include <QJsonObject>
#include <QRegularExpression>
#include <QToolButton>
#include <QtTest>
#include <sys/stat.h>

using namespace corvanta;

using linea::Catalogo;
using linea::Corrida;
using linea::Escribe;
using linea::Kd562;

// What a missing database's refusal says to do.
const QString kInit = "; créela con \"kd562 init\", o indique otra con --db RUTA o con db= en "
                      "/etc/kd562.conf\n";

class TstKd562 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { KD562_SALTA_SIN_SERVIDOR(); }

    void corrida_data() {
        QTest::addColumn<QStringList>("antes"); // commands run first, each must succeed
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<QString>("db"); // empty: the test's own; %1: its folder
        QTest::addColumn<int>("salida");
        QTest::addColumn<QString>("errores");  // all of standard error; %1: the folder
        QTest::addColumn<QString>("estandar"); // held by standard output; empty: nothing
        const auto fila = [](const char* nombre, const QStringList& antes,
                             const QStringList& argumentos, int salida, const QString& errores,
                             const QString& estandar = {}, const QString& db = {}) {
            QTest::newRow(nombre) << antes << argumentos << db << salida << errores << estandar;
        };
        fila("argumento malo", {}, {"--bogus", "list"}, 2,
             "kd562: Opción desconocida: --bogus (consulte \"kd562 --help\")\n");
        fila("--help", {}, {"--help"}, 0, "",
             "\n  list [--format F]         muestra la lista de servicios y su total\n  sync "
             "[--yes] [--dry-run] [--allow-shrink] [--retries N] [--list] [--quiet] [--format "
             "F]\n                            descarga el catálogo");
        fila("help account", {}, {"help", "account"}, 0, "",
             "Uso: kd562 [OPCIONES] account [--url URL] [--user USUARIO] [--password-stdin] "
             "[--test]\n"
             "Oprime \"Configurar cuenta\"");
        fila("--version", {}, {"--version"}, 0, "", "kd562 " KD562_VERSION "\n");
        // Only init makes the database, where the others looked for it.
        for (const QStringList& comando :
             {QStringList{"list"}, QStringList{"sync", "--yes"}, QStringList{"show"},
              QStringList{"account", "--url", "http://127.0.0.1:1/ws", "--user", "u"}})
            fila(qPrintable("sin base: " + comando.first()), {}, comando, 2,
                 "kd562: No existe la base de datos tienda.db" + kInit, {}, "sqlite:tienda.db");
        // A path without a scheme is a SQLite file's.
        fila("carpeta inexistente", {}, {"list"}, 2,
             "kd562: No existe la base de datos falta/tienda.db" + kInit, {}, "falta/tienda.db");
        // The file is there only through the link's "..": the path's own is not made either.
        fila("a traves de un enlace", {}, {"list"}, 2,
             "kd562: No se pudo abrir la base de datos enlace/../tienda.db: unable to open "
             "database file\n",
             {}, "sqlite:enlace/../tienda.db");
        fila("otro motor", {}, {"list"}, 2,
             "kd562: Dirección de base de datos no reconocida: postgres://x (se espera "
             "sqlite:RUTA o postgresql://USUARIO@SERVIDOR[:PUERTO]/BASE)\n",
             {}, "postgres://x");
        fila("sin tablas", {}, {"list"}, 2,
             "kd562: La base de datos no tiene las tablas Pos_Servicio_Configuracion, "
             "Pos_Servicio_Producto, Producto; ejecute \"kd562 init\" primero\n");
        fila("sin modulo", {"init"}, {"--modules", "%1/nada", "list"}, 2,
             "kd562: No se encontró el módulo KD562 en %1/nada/libKD562.so\n");
        fila("sin cuenta", {"init"}, {"account"}, 1,
             "kd562: No hay una cuenta guardada; guárdela con kd562 account --url URL --user "
             "USUARIO --password-stdin\n");
        // An address the download could not use is refused before the dialog opens.
        fila("url en blanco", {"init"}, {"account", "--url", "   ", "--user", "tienda"}, 2,
             "kd562: --url espera una dirección http:// o https:// con su servidor, como "
             "https://pasarela.ejemplo/wsService:     (consulte \"kd562 --help\")\n");
    }

    void corrida() {
        QFETCH(QStringList, antes);
        QFETCH(QStringList, argumentos);
        QFETCH(QString, db);
        QFETCH(int, salida);
        QFETCH(QString, errores);
        QFETCH(QString, estandar);
        Kd562 kd;
        // An empty file: a database without the tables.
        if (!prueba::EsPostgreSql()) {
            QFile vacia(kd.Db().mid(7));
            QVERIFY(vacia.open(QIODevice::WriteOnly));
            vacia.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        }
        QVERIFY(QDir(kd.Carpeta()).mkpath("sub/dentro") &&
                QFile::link("sub/dentro", kd.Carpeta() + "/enlace") &&
                QFile(kd.Carpeta() + "/sub/tienda.db").open(QIODevice::WriteOnly));
        for (const QString& comando : antes)
            QCOMPARE(kd.Corre(comando.split(' ')).salida, 0);
        const QStringList entrada =
            QDir(kd.Carpeta()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
        argumentos.replaceInStrings("%1", kd.Carpeta());
        const Corrida c = kd.Corre(argumentos, {}, db);
        QCOMPARE(c.errores, errores.replace("%1", kd.Carpeta()));
        QVERIFY2(estandar.isEmpty() ? c.estandar.isEmpty() : c.estandar.contains(estandar),
                 qPrintable(c.estandar));
        QCOMPARE(c.salida, salida);
        // Nothing was created where the database was looked for.
        if (!db.isEmpty())
            QCOMPARE(QDir(kd.Carpeta()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                     entrada);
    }

    // The manual's synopsis names every command with the options its help gives, and its
    // options section every general option of --help.
    void manualComoAyuda() {
        QFile archivo(KD562_MANUAL);
        QVERIFY(archivo.open(QIODevice::ReadOnly));
        const QString manual = QString::fromUtf8(archivo.readAll()).replace("\\-", "-");
        const QString ayuda = Kd562().CorreSolo({"--help"}).estandar;
        static const QRegularExpression opcion("--[a-z-]+");
        const auto opciones = [](const QString& texto) {
            QStringList vistas;
            for (auto m = opcion.globalMatch(texto); m.hasNext();)
                vistas.append(m.next().captured());
            vistas.sort();
            return vistas.join(' ');
        };
        const auto seccion = [](const QString& texto, const QString& desde, const QString& hasta) {
            const qsizetype inicio = texto.indexOf(desde);
            return inicio < 0 ? QString()
                              : texto.mid(inicio, texto.indexOf(hasta, inicio) - inicio);
        };
        QStringList enManual, enAyuda;
        for (const QString& bloque :
             seccion(manual, ".SH SINOPSIS", ".SH DESCRIPCIÓN").split("\n.br\n"))
            enManual.append(
                bloque.section(QRegularExpression("\n\\.B (?!kd562\n)|\\.B kd562 "), 1, 1)
                    .section('\n', 0, 0) +
                ": " + opciones(bloque));
        for (const QString& renglon : seccion(ayuda, "Comandos:\n", "\n\n").split('\n').mid(1))
            if (renglon.startsWith("  ") && renglon.at(2) != ' ')
                enAyuda.append(renglon.mid(2).section(' ', 0, 0) + ": " +
                               opciones(renglon.section("  ", 1, 1)));
        enAyuda.append(": --help --version");
        QCOMPARE(enManual.join('\n'), enAyuda.join('\n'));
        QCOMPARE(opciones(seccion(manual, ".SH OPCIONES", ".SH CONFIGURACIÓN")),
                 opciones(seccion(ayuda, "Opciones (", "\n\n")));
    }

    void configuracionDelSistema() {
        // The program itself reads the system file, then the user's; the flag wins over both.
        Kd562 kd;
        const QString sistema = kd.Carpeta() + "/sistema.db";
        const QString usuario = kd.Carpeta() + "/usuario.db";
        Escribe(kd.ConfSistema(), QString("db=sqlite:%1\n").arg(sistema));
        QCOMPARE(kd.CorreSolo({"init"}).salida, 0);
        Escribe(kd.ConfUsuario(), QString("db=sqlite:%1\n").arg(usuario));
        QCOMPARE(kd.CorreSolo({"list"}).errores,
                 QString("kd562: No existe la base de datos %1").arg(usuario) + kInit);
        QCOMPARE(kd.CorreSolo({"list", "--db", "sqlite:" + sistema}).salida, 0);
    }

    // The database keeps the account: a new file is its owner's, or also its group's in a
    // folder that hands its group down; one that others may read is left so, with a warning.
    void permisos_data() {
        QTest::addColumn<bool>("compartida"); // the folder is setgid
        QTest::addColumn<int>("existente");   // the file's mode before init; 0: no file
        QTest::addColumn<int>("modo");
        QTest::newRow("nueva") << false << 0 << 0600;
        QTest::newRow("nueva en carpeta del grupo") << true << 0 << 0660;
        QTest::newRow("existente legible por otros") << false << 0644 << 0644;
    }
    void permisos() {
        QFETCH(bool, compartida);
        QFETCH(int, existente);
        QFETCH(int, modo);
        if (prueba::EsPostgreSql())
            QSKIP("Permisos de un archivo de SQLite");
        Kd562 kd;
        const QString carpeta = kd.Carpeta() + "/datos";
        QVERIFY(QDir().mkpath(carpeta));
        if (compartida)
            QCOMPARE(::chmod(QFile::encodeName(carpeta).constData(), 02770), 0);
        const QString ruta = carpeta + "/tienda.db";
        if (existente) {
            QVERIFY(QFile(ruta).open(QIODevice::WriteOnly));
            QCOMPARE(::chmod(QFile::encodeName(ruta).constData(), mode_t(existente)), 0);
        }
        const Corrida c = kd.Corre({"init"}, {}, "sqlite:" + ruta);
        QCOMPARE(c.salida, 0);
        QCOMPARE(c.errores, (modo & 04) ? "kd562: aviso: otros usuarios pueden leer la base de "
                                          "datos " +
                                              ruta +
                                              ", que guarda la cuenta de la "
                                              "pasarela; quíteles el permiso con: chmod o-rwx " +
                                              ruta + "\n"
                                        : QString());
        struct stat estado {};
        QCOMPARE(::stat(QFile::encodeName(ruta).constData(), &estado), 0);
        QCOMPARE(int(estado.st_mode & 07777), modo);
    }

    // Product keys follow locale= of the configuration files, whoever runs the command;
    // without it, the process's own locale.
    void regional_data() {
        QTest::addColumn<QString>("conf");
        QTest::addColumn<QString>("entorno"); // LC_ALL of the process
        QTest::addColumn<QString>("esperado");
        const auto fila = [](const char* nombre, const char* conf, const char* entorno,
                             const QString& esperado) {
            QTest::newRow(nombre) << QString(conf) << QString(entorno) << esperado;
        };
        fila("proceso C", "", "C", "12.5Sal");
        fila("proceso con coma", "", "es_ES.UTF-8", "12,5Sal");
        fila("archivo con coma", "locale=es_ES", "C", "12,5Sal");
        fila("archivo C", "locale=C", "es_ES.UTF-8", "12.5Sal");
        fila("archivo C.UTF-8", "locale=C.UTF-8", "es_ES.UTF-8", "12.5Sal");
        fila("archivo C.utf8", "locale=C.utf8", "es_ES.UTF-8", "12.5Sal");
        fila("desconocida", "locale=xx_QQ", "C",
             "kd562: Configuración regional desconocida en %1: locale=xx_QQ (se espera un "
             "nombre como es_MX)\n");
    }
    void regional() {
        QFETCH(QString, conf);
        QFETCH(QString, entorno);
        QFETCH(QString, esperado);
        simulador::Configuracion configuracion;
        configuracion.catalogo = Catalogo(R"([{"PRODUCTO": "S", "DESCRIPCION": "Saldo Local",
            "GRUPO": "TAE", "MONTO": 12.5, "OBSERVACION": ""}])");
        simulador::SimuladorPasarela pasarela(configuracion);
        QVERIFY(pasarela.Inicia() != 0);
        Kd562 kd;
        Escribe(kd.ConfSistema(), conf + "\n");
        const QStringList variables = {"LC_ALL=" + entorno};
        if (esperado.startsWith("kd562:")) {
            const Corrida c = kd.Corre({"init"}, {}, {}, variables);
            QCOMPARE(c.salida, 2);
            QCOMPARE(c.errores, esperado.arg(kd.ConfSistema()));
            return;
        }
        QCOMPARE(kd.Corre({"init"}, {}, {}, variables).salida, 0);
        QCOMPARE(kd.Corre({"account", "--url", pasarela.URL(), "--user", "t", "--password-stdin"},
                          "x\n", {}, variables)
                     .salida,
                 0);
        const Corrida c = kd.Corre({"sync", "--list"}, {}, {}, variables);
        QCOMPARE(c.salida, 0);
        QCOMPARE(c.estandar.section('\n', 1, 1).section('\t', 4, 4), esperado);
    }

    void tablasDeOtraForma_data() {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<QString>("tabla");
        QTest::addColumn<QString>("columna"); // left out when the tables are made
        const QStringList faltas = {"Pos_Servicio_Configuracion.Psc_Password",
                                    "Pos_Servicio_Producto.Psp_Monto",
                                    "Producto.Pr_Descripcion_Corta"};
        // Every command opens the database in one place: init and two others, one table each.
        const QList<QStringList> comandos = {{"init", "--demo"}, {"list"}, {"sync", "--yes"}};
        for (qsizetype i = 0; i < comandos.size(); ++i) {
            const QString falta = faltas.at(i % faltas.size());
            QTest::addRow("%s sin %s", qPrintable(comandos.at(i).join(' ')), qPrintable(falta))
                << comandos.at(i) << falta.section('.', 0, 0) << falta.section('.', 1);
        }
    }

    void tablasDeOtraForma() {
        QFETCH(QStringList, argumentos);
        QFETCH(QString, tabla);
        QFETCH(QString, columna);
        Kd562 kd;
        {
            // The module's tables, one of them without one column; no index refers to it.
            auto cnn = Connection::Abre(kd.Db());
            for (QString sentencia : kd562::DefinicionTablas(*cnn)) {
                if (!sentencia.startsWith("CREATE TABLE"))
                    continue;
                if (sentencia.contains(" " + tabla + " ("))
                    sentencia.replace(QRegularExpression(columna + " [^,]*, "), QString());
                cnn->Execute(sentencia);
            }
            QCOMPARE(kd562::ColumnaFaltante(*cnn), tabla + "." + columna);
        }
        const Corrida c = kd.Corre(argumentos);
        QCOMPARE(c.salida, 2);
        QCOMPARE(c.errores,
                 QString("kd562: La tabla %1 no tiene la columna %2\n").arg(tabla, columna));
        QVERIFY(c.estandar.isEmpty());
        QCOMPARE(kd.Volcado("SELECT COUNT(*) FROM Producto"),
                 "0"); // not even the demo products
    }

    void initDemoNoSobrescribe() {
        Kd562 kd;
        QCOMPARE(kd.Corre({"init", "--demo"}).estandar, "Productos de muestra agregados: 5\n");
        const QString consulta = QString("SELECT Pr_Cve_Producto, Pr_Descripcion, "
                                         "Pr_Descripcion_Corta, Pr_Precio, Pr_Grupo, "
                                         "Oper_Alta FROM Producto ORDER BY 1");
        const QString demo = kd.Volcado(consulta);
        {
            auto cnn = Connection::Abre(kd.Db());
            cnn->Execute("UPDATE Producto SET Pr_Descripcion = 'mio' WHERE Pr_Cve_Producto = "
                         "'HUE12'");
            cnn->Execute("DELETE FROM Producto WHERE Pr_Cve_Producto = 'PAN680'");
        }
        QCOMPARE(kd.Corre({"init", "--demo"}).estandar, "Productos de muestra agregados: 1\n");
        QCOMPARE(kd.Volcado(consulta),
                 QString(demo).replace("HUE12|Huevo blanco 12 piezas|", "HUE12|mio|"));
    }

    void ronda() {
        simulador::Configuracion configuracion;
        // A description that tries to print a line of its own.
        configuracion.catalogo = Catalogo();
        configuracion.catalogo.append(QJsonObject{{"PRODUCTO", "LUZ2"},
                                                  {"DESCRIPCION", "Pago de luz\n[CRITICO] falso"},
                                                  {"GRUPO", "SERVICIOS"},
                                                  {"MONTO", 0},
                                                  {"OBSERVACION", "a\tb\u001b[31m\u2028\u202E"}});
        configuracion.usuario = "tienda";
        configuracion.password = "Pw-Secreta-77";
        simulador::SimuladorPasarela pasarela(configuracion);
        // Later a glitch: a gateway that answers one service the shop never had.
        simulador::Configuracion recortada;
        recortada.catalogo = Catalogo(R"([{"PRODUCTO": "AGUA", "DESCRIPCION": "Agua potable",
            "GRUPO": "SERVICIOS", "MONTO": 0, "OBSERVACION": ""}])");
        simulador::SimuladorPasarela glitch(recortada);
        QVERIFY(pasarela.Inicia() != 0 && glitch.Inicia() != 0);
        Kd562 kd;
        QCOMPARE(kd.Corre({"init"}).salida, 0);

        // No account yet: listing works, with the load's warning on standard error; a preview
        // that cannot run does not claim to have run.
        Corrida c = kd.Corre({"list"});
        QCOMPARE(c.salida, 0);
        QCOMPARE(c.errores, "[AVISO] Corvanta: CargaDatos()\\nNo se encontró "
                            "configuración para mostrar (KD562)\n");
        c = kd.Corre({"sync", "--dry-run"});
        QCOMPARE(c.salida, 1);
        QVERIFY2(!c.errores.contains("Simulación"), qPrintable(c.errores));
        c = kd.Corre({"account", "--url", pasarela.URL(), "--user", "tienda", "--password-stdin"},
                     "Pw-Secreta-77\r\n");
        QCOMPARE(c.salida, 0);
        QString todo = c.estandar + c.errores;
        // An empty line is refused before anything is touched: the downloads below still log in.
        c = kd.Corre({"account", "--user", "otro", "--password-stdin"}, "\n");
        QCOMPARE(c.salida, 2);
        QCOMPARE(c.errores, "kd562: La contraseña recibida por la entrada estándar está vacía; "
                            "no se cambió la cuenta\n");

        c = kd.Corre({"sync", "--list"});
        QCOMPARE(c.salida, 0); // nothing stored yet: no question to answer
        QCOMPARE(c.errores, "Servicios: 3 nuevos, 0 retirados, 0 cambiados, 0 sin "
                            "cambio\nProductos: 2 nuevos, 0 cambiados, 0 sin "
                            "cambio\nClave compartida Pago de lu: Pago de luz, Pago "
                            "de luz\\n[CRITICO] falso\n");
        QCOMPARE(c.estandar,
                 "Servicio\tDescripción\tGrupo\tMonto\tClave\tProducto\tObservaciones\n"
                 "LUZ\tPago de luz\tSERVICIOS\t0\tPago de lu\tPago de luz\\n[CRITICO] falso\tNota\n"
                 "LUZ2\tPago de luz\\n[CRITICO] falso\tSERVICIOS\t0\tPago de lu\tPago de "
                 "luz\\n[CRITICO] falso\ta b\\x1B[31m\\u{2028}\\u{202E}\n"
                 "TEL100\tTelevia\tTAE\t100\t100Tele\tTelevia\t\nTotal: 3\n");
        // Services stored now: without --yes the question is answered No.
        c = kd.Corre({"sync"});
        QCOMPARE(c.salida, 1);
        QVERIFY(c.errores.startsWith("[PREGUNTA]"));
        QVERIFY(c.errores.endsWith("\nkd562: No se guardó nada; --yes responde que sí a la "
                                   "pregunta\n"));
        // In the journal a good night warns of nothing: the question --yes answers is news.
        c = kd.Corre({"sync", "--yes"}, {}, {}, {"JOURNAL_STREAM=diario"});
        QCOMPARE(c.salida, 0);
        QVERIFY(c.errores.startsWith("<6>[PREGUNTA]"));
        QVERIFY2(!c.errores.contains(QRegularExpression("(^|\n)<[0-4]>")), qPrintable(c.errores));
        QVERIFY(c.errores.contains("0 cambiados, 3 sin cambio\n"));
        QCOMPARE(pasarela.Peticiones(), 2);
        todo += c.estandar + c.errores;
        c = kd.Corre({"list"});
        QCOMPARE(c.errores, QString());

        // Stored enciphered (the gateway took the password the syncs above sent); a field not
        // given keeps what the dialog loaded.
        const QString cuenta = QString("SELECT Psc_URL, Psc_Usuario, Psc_Password, "
                                       "Oper_Alta FROM Pos_Servicio_Configuracion");
        const QString guardada = kd.Volcado(cuenta);
        QCOMPARE(guardada.section('|', 0, 1), pasarela.URL() + "|tienda");
        QCOMPARE(guardada.section('|', 3), "CAJA9");
        QVERIFY(!guardada.contains("Pw-Secreta"));
        QCOMPARE(kd.Corre({"account", "--url", glitch.URL(), "--user", "tienda"}).salida, 0);
        QCOMPARE(kd.Volcado(cuenta), glitch.URL() + "|tienda|" + guardada.section('|', 2));
        // Shown without its password, and tried against the gateway with it.
        c = kd.Corre({"account"});
        QCOMPARE(c.estandar + c.errores, "url\t" + glitch.URL() + "\nusuario\ttienda\n");
        c = kd.Corre({"account", "--test"});
        QCOMPARE(c.errores + QString::number(c.salida),
                 "[INFO] Probar conexión: La pasarela respondió: 1 servicios (KD562)\n0");

        const QString tablas =
            QString("SELECT Psp_Cve_Producto, Pr_Cve_Producto FROM Pos_Servicio_Producto UNION ALL "
                    "SELECT Pr_Cve_Producto, Pr_Descripcion FROM Producto ORDER BY 1");
        const QString antes = kd.Volcado(tablas);
        const QString linea = "La descarga retiraría 3 de los 3 servicios guardados";
        // The preview asks nothing, shows the guard and the list as it would be, keeps nothing.
        c = kd.Corre({"sync", "--dry-run"});
        QCOMPARE(c.salida, 0);
        QVERIFY2(c.errores.contains(linea), qPrintable(c.errores));
        QVERIFY(!c.errores.contains("[PREGUNTA]"));
        QVERIFY(c.errores.endsWith("\nSimulación: no se guardó ningún cambio\n"));
        QVERIFY(c.estandar.endsWith(
            "AGUA\tAgua potable\tSERVICIOS\t0\tAgua potab\tAgua potable\t\nTotal: 1\n"));
        QCOMPARE(kd.Volcado(tablas), antes);
        if (prueba::EsPostgreSql()) { // a role that may only read the three tables, the same
            const Corrida lector = kd.ConRol("SELECT", {"sync", "--dry-run"});
            QCOMPARE(lector.estandar, c.estandar);
            QCOMPARE(lector.errores, c.errores);
            QCOMPARE(lector.salida, 0);
        }
        // Unattended, it stops before writing, in one line.
        c = kd.Corre({"sync", "--yes"});
        QCOMPARE(c.salida, 1);
        QCOMPARE(c.errores.count(linea), 1);
        QVERIFY(c.errores.endsWith("kd562: si la pasarela de verdad retiró esos servicios, "
                                   "--allow-shrink deja pasar la descarga\n"));
        QVERIFY(!c.errores.contains("Servicios:"));
        QCOMPARE(c.estandar, QString()); // the list is "kd562 list"'s
        QCOMPARE(kd.Volcado(tablas), antes);
        c = kd.Corre({"sync", "--yes", "--allow-shrink", "--list"});
        QCOMPARE(c.salida, 0);
        QVERIFY(c.errores.contains("Servicios: 1 nuevos, 3 retirados"));
        QVERIFY(c.estandar.endsWith("Total: 1\n"));
        // An engine's refusal comes after our sentence saying what failed.
        if (!prueba::EsPostgreSql()) {
            kd.Ejecuta("CREATE TRIGGER prohibe BEFORE DELETE ON Pos_Servicio_Producto BEGIN "
                       "SELECT RAISE(ABORT, 'prohibido'); END");
            const Corrida prohibida = kd.Corre({"sync", "--yes"});
            QCOMPARE(prohibida.errores.section('\n', -2),
                     "[CRITICO] Controles_B1Click(): No se pudo escribir en la base de datos: "
                     "prohibido (KD562) ERR-ID:7500002\n");
        }
        // The password never shows.
        QVERIFY(!(todo + c.estandar + c.errores).contains("Pw-Secreta-77"));
    }

    // The container: a new transaction at each opening, and a status line that says what
    // the history holds, after a download, a failed one, an undo, and at the next opening.
    void anfitrion() {
        simulador::Configuracion configuracion;
        configuracion.catalogo = Catalogo();
        simulador::SimuladorPasarela pasarela(configuracion);
        QVERIFY(pasarela.Inicia() != 0);
        prueba::BaseTemporal base;
        base.AgregaCuenta(pasarela.URL(), "t", "p");
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico));
        // The screen of the module loaded by name, as the program loads it.
        IModulo* modulo = CargaModulo(qEnvironmentVariable("KD562_MODULE_DIR"), "KD562");
        std::unique_ptr<QObject> clase(modulo->CreaObjeto("Pantalla"));
        auto* pantalla =
            qobject_cast<PantallaSuite*>(clase->property("GetPantalla").value<QObject*>());
        QVERIFY(pantalla);
        Funciones funciones;
        QString anterior;
        const QString fecha = "\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d";
        const QString lineas = "Servicios: 2 nuevos, 0 retirados, 0 cambiados, 0 sin cambio\n"
                               "Productos: 2 nuevos, 0 cambiados, 0 sin cambio";
        for (int vez = 0; vez < 2; ++vez) {
            kd562host::Anfitrion anfitrion;
            anfitrion.Abre(pantalla);
            QVERIFY(!anfitrion.Transaccion().isEmpty());
            QVERIFY(anfitrion.Transaccion() != anterior);
            anterior = anfitrion.Transaccion();
            auto* estado = anfitrion.findChild<QLabel*>("estado");
            auto* ultima = anfitrion.findChild<QLabel*>("ultimaDescarga");
            auto* fallo = anfitrion.findChild<QLabel*>("falloDescarga");
            QCOMPARE(estado->text(),
                     "Transacción: " + funciones.ClaveTransaccion(anterior, "Corvanta"));
            const auto dice = [&](const QString& texto, const QString& lista,
                                  const QString& falla) {
                return QRegularExpression("^" + texto + "$").match(ultima->text()).hasMatch() &&
                       ultima->toolTip() == lista &&
                       QRegularExpression("^" + falla + "$").match(fallo->text()).hasMatch();
            };
            if (vez == 0) {
                QVERIFY(dice("", "", ""));
                pantalla->Ventana()->findChild<QToolButton*>("b1")->click();
                QCOMPARE(base.Mensajes().Cuenta(), 0);
                QVERIFY2(dice("Última descarga: " + fecha + " \\(OPER01\\)", lineas, ""),
                         qPrintable(ultima->text()));
                // A night that failed shows beside it, in red, until something is saved.
                base.Ejecuta("UPDATE Pos_Servicio_Configuracion SET Psc_URL = "
                             "'http://127.0.0.1:1/ws'");
                pantalla->Ventana()->findChild<QToolButton*>("b1")->click();
                QVERIFY2(dice("Última descarga: " + fecha + " \\(OPER01\\)", lineas,
                              "Falló la descarga del " + fecha + ": No se pudo conectar.*"),
                         qPrintable(fallo->text()));
                QVERIFY(fallo->isVisibleTo(&anfitrion));
                QMetaObject::invokeMethod(pantalla, "DeshazDescarga");
            }
            // The undo's own line, with its counts, also once the window is opened again.
            QVERIFY2(dice("Descarga 1 deshecha: " + fecha + " \\(OPER01\\)",
                          QString(lineas)
                              .replace("2 nuevos, 0 retirados", "0 nuevos, 2 retirados")
                              .replace("Productos: 2 nuevos", "Productos: 0 nuevos"),
                          ""),
                     qPrintable(ultima->text() + "|" + ultima->toolTip()));
            QVERIFY(!fallo->isVisibleTo(&anfitrion));
            // The screen's exit button closes the container; the screen instance lives on.
            pantalla->Ventana()->findChild<QToolButton*>("salir")->click();
            QVERIFY(!anfitrion.isVisible());
            QVERIFY(!pantalla->Cargada());
        }
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_MAIN(TstKd562)
#include "tst_kd562.moc"
