// Unattended use as a shop's IT runs it: history, status and undo, what they print and how
// they exit, on a database with a history, on one made before the history existed and, on
// PostgreSQL, with a role that may not create tables; sync's retries and its lines for the
// journal.
#include "Kd562Prueba.h"
#include "SimuladorPasarela.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSysInfo>
#include <QThread>
#include <atomic>
#include <thread>

using linea::Corrida;
using linea::Kd562;

namespace {

const QString kEncabezado =
    "Número\tFecha\tOperador\tTerminal\tOrigen\tResultado\tServicios nuevos\tServicios "
    "retirados\tServicios cambiados\tServicios sin cambio\tProductos nuevos\tProductos "
    "cambiados\tProductos sin cambio\tMensaje\n";

// The lines without their dates and ages.
QString SinFechas(QString texto) {
    static const QRegularExpression fecha("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d");
    static const QRegularExpression edad("hace \\d+ min");
    return texto.replace(fecha, "FECHA").replace(edad, "hace N min");
}

} // namespace

class TstHistorialCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { KD562_SALTA_SIN_SERVIDOR(); }

    void ronda() {
        simulador::Configuracion nota; // the usual two services, the first with a new remark
        nota.catalogo = linea::Catalogo();
        QJsonObject primero = nota.catalogo[0].toObject();
        primero["OBSERVACION"] = "nueva nota";
        nota.catalogo[0] = primero;
        simulador::SimuladorPasarela dos(nota);
        Kd562 kd;
        QVERIFY(dos.Inicia() != 0 && kd.Prepara());
        const QString yo = QSysInfo::machineHostName();

        // Nothing yet.
        Corrida c = kd.Corre({"history"});
        QCOMPARE(c.estandar + c.errores + QString::number(c.salida), kEncabezado + "0");
        c = kd.Corre({"status", "--format", "text"});
        QCOMPARE(c.estandar + QString::number(c.salida), "Aún no hay historial de descargas\n2");
        c = kd.Corre({"undo", "--yes"});
        QCOMPARE(c.errores + QString::number(c.salida), "No hay descargas que deshacer\n1");

        // A download, a failed night, another download.
        QCOMPARE(kd.Corre({"sync", "--yes"}).salida, 0);
        QCOMPARE(kd.Corre({"account", "--url", "http://127.0.0.1:1/ws", "--user", "t"}).salida, 0);
        const QString fallo = "No se pudo conectar con el servidor del servicio (127.0.0.1:1): la "
                              "conexión fue rechazada o el servidor no está disponible.";
        QCOMPARE(kd.Corre({"sync", "--yes"}).salida, 75); // an outage that may pass
        QCOMPARE(kd.Corre({"account", "--test"}).salida, 75);
        c = kd.Corre({"status", "--max-age", "1", "--format", "text"});
        QCOMPARE(SinFechas(c.estandar),
                 "Descarga 1: FECHA, hace N min, por CAJA9 en " + yo +
                     "\nServicios: 2 nuevos, 0 retirados, 0 cambiados, 0 sin cambio\nProductos: "
                     "2 nuevos, 0 cambiados, 0 sin cambio\nEl catálogo está como lo dejó la "
                     "entrada 1\nDespués, FECHA (fallida): " +
                     fallo + "\n");
        QCOMPARE(c.salida, 2);
        QCOMPARE(kd.Corre({"account", "--url", dos.URL(), "--user", "t"}).salida, 0);
        QCOMPARE(kd.Corre({"sync", "--yes"}).salida, 0);
        QCOMPARE(kd.Corre({"status", "--max-age", "0.5"}).salida, 0);
        c = kd.Corre({"history", "--limit", "2"});
        QCOMPARE(SinFechas(c.estandar),
                 kEncabezado + "3\tFECHA\tCAJA9\t" + yo +
                     "\tlinea\tguardada\t0\t0\t1\t1\t0\t0\t2\t\n2\tFECHA\tCAJA9\t" + yo +
                     "\tlinea\tfallida\t\t\t\t\t\t\t\t" + fallo + "\n");
        c = kd.Corre({"history", "3"});
        QCOMPARE(c.estandar, "~\tTEL100\tTelevia\t01\tTAE\t100\t\t100Tele\tTEL100\tTelevia\t01\tTAE"
                             "\t100\tnueva nota\t100Tele\n");
        c = kd.Corre({"history", "3", "--format", "text"});
        QCOMPARE(c.estandar, "~ servicio TEL100 (100)\n    Psp_Observacion:  → nueva nota\n");
        c = kd.Corre({"history", "99"});
        QCOMPARE(c.errores + QString::number(c.salida), "No hay una entrada 99 en el historial\n1");

        // Undo asks; told No it changes nothing; with --yes it takes the download back.
        const QString lista = kd.Corre({"list"}).estandar;
        // Aligned under the headings, amounts to the right.
        QCOMPARE(kd.Corre({"list", "--format", "text"}).estandar,
                 "Servicio  Descripción  Grupo      Monto  Clave       Producto     Observaciones\n"
                 "LUZ       Pago de luz  SERVICIOS      0  Pago de lu  Pago de luz  Nota\n"
                 "TEL100    Televia      TAE          100  100Tele     Televia      nueva nota\n"
                 "Total: 2\n");
        c = kd.Corre({"undo"});
        const QString pregunta = "[PREGUNTA] Deshacer descarga?: Se deshará la descarga 3 del "
                                 "FECHA (CAJA9, " +
                                 yo + ")\\nDesea continuar? (KD562)\n";
        QCOMPARE(SinFechas(c.errores),
                 pregunta + "kd562: No se deshizo nada; --yes responde que sí a la pregunta\n");
        QCOMPARE(c.salida, 1);
        QCOMPARE(kd.Corre({"list"}).estandar, lista);
        c = kd.Corre({"undo", "--yes", "--list"});
        QCOMPARE(SinFechas(c.errores),
                 pregunta + "Servicios: 0 nuevos, 0 retirados, 1 cambiados, 1 sin cambio\n"
                            "Productos: 0 nuevos, 0 cambiados, 0 sin cambio\n"
                            "Productos que creó la descarga 3 y se quedan: 0\n");
        QVERIFY(c.estandar.contains("TEL100\tTelevia\tTAE\t100\t100Tele\tTelevia\t\n"));
        QCOMPARE(c.salida, 0);
        c = kd.Corre({"history", "--limit", "3"});
        QCOMPARE(SinFechas(c.estandar).section('\n', 1, 2),
                 "4\tFECHA\tCAJA9\t" + yo + "\tlinea\tdeshacer\t0\t0\t1\t1\t0\t0\t0\t\n3\tFECHA\t" +
                     "CAJA9\t" + yo + "\tlinea\tdeshecha\t0\t0\t1\t1\t0\t0\t2\t");

        // The next undo walks back to the first download, which no longer matches the tables
        // once they are edited by hand: refused, unless forced.
        kd.Ejecuta("UPDATE Pos_Servicio_Producto SET Psp_Observacion = 'a mano'");
        c = kd.Corre({"undo", "--yes"});
        QCOMPARE(c.errores.section('\n', 1), "[AVISO] DeshazDescarga(): El catálogo o sus "
                                             "productos cambiaron después de la descarga 1; no "
                                             "se deshizo nada (KD562)\nkd562: --force la deshace "
                                             "de todos modos\n");
        QCOMPARE(c.salida, 1);
        c = kd.Corre({"undo", "--yes", "--force", "--list"});
        QCOMPARE(c.salida, 0);
        QVERIFY(c.estandar.endsWith("Total: 0\n")); // the first download is gone, its products stay
        QVERIFY(c.errores.endsWith("Productos que creó la descarga 1 y se quedan: 2\n"));
        QCOMPARE(kd.Corre({"status"}).salida, 0);
    }

    // status as a monitor runs it: the plugin line and its exit for each state, and the
    // metrics file as a real parser reads it, written whole with mode 0644 whatever the umask.
    void monitoreo_data() {
        QTest::addColumn<QString>("noche"); // "buena", "a mano", "fallida", "ilegible"
        QTest::addColumn<int>("salida");
        QTest::addColumn<QString>("nagios"); // N: the age in seconds
        QTest::addColumn<QString>("metricas");
        const QString buena =
            "base_legible gauge 1\ncatalogo_como_se_dejo gauge %1\nservicios gauge 2\n"
            "ultima_descarga_productos gauge cambiados=0 nuevos=2 sin_cambio=0\n"
            "ultima_descarga_servicios gauge cambiados=0 nuevos=2 retirados=0 sin_cambio=0\n"
            "ultimo_exito_timestamp_seconds gauge reciente\n"
            "ultimo_intento_exitoso gauge %2\nultimo_intento_timestamp_seconds gauge reciente\n";
        QTest::newRow("buena") << "buena" << 0
                               << "KD562 OK - Descarga 1, hace N min; 2 servicios | "
                                  "edad=Ns;3600;7200;0; servicios=2;;;0; cambios=2;;;0;"
                               << buena.arg(1).arg(1);
        QTest::newRow("a mano")
            << "a mano" << 1
            << "KD562 WARNING - El catálogo cambió después de la entrada 1 | "
               "edad=Ns;3600;7200;0; servicios=1;;;0; cambios=2;;;0;"
            << QString(buena).replace("servicios gauge 2", "servicios gauge 1").arg(0).arg(1);
        QTest::newRow("fallida")
            << "fallida" << 2
            << "KD562 CRITICAL - Después, FECHA (fallida): No se pudo conectar con el servidor del "
               "servicio (127.0.0.1:1): la conexión fue rechazada o el servidor no está "
               "disponible. | edad=Ns;3600;7200;0; servicios=2;;;0; cambios=2;;;0;"
            << buena.arg(1).arg(0);
        QTest::newRow("ilegible") << "ilegible" << 3 << "KD562 UNKNOWN - No existe la base"
                                  << "base_legible gauge 0\n";
    }
    void monitoreo() {
        QFETCH(QString, noche);
        QFETCH(int, salida);
        QFETCH(QString, nagios);
        QFETCH(QString, metricas);
        Kd562 kd;
        QVERIFY(kd.Prepara());
        // A good night prints nothing with --quiet.
        const Corrida sync = kd.Corre({"sync", "--yes", "--quiet"});
        QCOMPARE(sync.estandar + sync.errores + QString::number(sync.salida), "0");
        if (noche == "a mano")
            kd.Ejecuta("DELETE FROM Pos_Servicio_Producto WHERE Psp_Cve_Producto = 'LUZ'");
        if (noche == "fallida") {
            QCOMPARE(kd.Corre({"account", "--url", "http://127.0.0.1:1/ws", "--user", "t"}).salida,
                     0);
            QCOMPARE(kd.Corre({"sync", "--yes", "--quiet"}).salida, 75);
        }
        const QString db = noche == "ilegible" ? kd.Carpeta() + "/falta.db" : kd.Db();
        const QStringList umbrales = {"--db", db, "--warning", "1", "--max-age", "2"};
        Corrida c = kd.Corre(umbrales + QStringList{"status", "--format", "nagios"});
        static const QRegularExpression edad("edad=\\d+s");
        QVERIFY2(SinFechas(c.estandar).replace(edad, "edad=Ns").startsWith(nagios),
                 qPrintable(c.estandar));
        QCOMPARE(c.estandar.count('\n'), 1);
        QCOMPARE(c.salida, salida);
        const QString archivo = kd.Carpeta() + "/metricas/kd562.prom";
        QVERIFY(QDir().mkpath(kd.Carpeta() + "/metricas"));
        c = kd.CorreSolo({"-c", "umask 0077; exec \"$0\" \"$@\"", KD562_EXE, "--db", db, "status",
                          "--format", "prometheus", "--output", archivo},
                         {}, {}, "sh");
        QCOMPARE(c.salida, salida);
        QCOMPARE(QFileInfo(archivo).permissions() & 0x0777, QFile::Permissions(0x0644));
        // Each family with its type, and each sample's labels and value.
        const Corrida leidas = kd.CorreSolo(
            {"-c",
             "import sys, time\nfrom prometheus_client.parser import "
             "text_string_to_metric_families as f\nfor m in sorted(f(open(sys.argv[1]).read()), "
             "key=lambda m: m.name):\n  v = ' '.join(('%s=' % s.labels['cambio'] if s.labels else "
             "'') + ('reciente' if m.name.endswith('timestamp_seconds') and abs(time.time() - "
             "s.value) < 600 else '%g' % s.value) for s in sorted(m.samples, key=str))\n  "
             "print(m.name[6:], "
             "m.type, v)",
             archivo},
            {}, {}, "/usr/bin/python3");
        QCOMPARE(leidas.errores, QString());
        QCOMPARE(leidas.estandar, metricas);
    }

    // Every command's JSON is one document of version 1, numbers as numbers, dates with
    // their offset; messages stay on standard error.
    void json() {
        Kd562 kd;
        QVERIFY(kd.Prepara());
        // The value at a path of members and indexes: "servicios/1/monto".
        const auto En = [](const QJsonObject& o, const QString& ruta) {
            QJsonValue v = o;
            for (const QString& paso : ruta.split('/'))
                v = paso.front().isDigit() ? v[paso.toInt()] : v[paso];
            return v;
        };
        const auto documento = [&](const QStringList& argumentos) {
            const Corrida c = kd.Corre(argumentos + QStringList{"--format", "json"});
            QJsonParseError error;
            const QJsonObject o = QJsonDocument::fromJson(c.estandar.toUtf8(), &error).object();
            return error.error == QJsonParseError::NoError && o["formato"] == 1 && c.salida == 0
                       ? o
                       : QJsonObject{{"no se leyó", c.estandar + c.errores}};
        };
        static const QRegularExpression iso(
            "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d(Z|[+-]\\d\\d:\\d\\d)$");
        QJsonObject o = documento({"sync", "--yes"});
        QCOMPARE(En(o, "cuentas/servicios/nuevos"), QJsonValue(2));
        QCOMPARE(En(o, "resumen").toArray().size(), 2);
        o = documento({"sync", "--dry-run"});
        QCOMPARE(En(o, "simulacion"), QJsonValue(true));
        QCOMPARE(En(o, "servicios/1/monto"), QJsonValue(100));
        QCOMPARE(En(o, "total"), QJsonValue(2));
        o = documento({"list"});
        QCOMPARE(En(o, "servicios/0/servicio"), QJsonValue("LUZ"));
        o = documento({"history"});
        QCOMPARE(En(o, "entradas/0/numero"), QJsonValue(1));
        QCOMPARE(En(o, "entradas/0/servicios_nuevos"), QJsonValue(2));
        QVERIFY(iso.match(En(o, "entradas/0/fecha").toString()).hasMatch());
        o = documento({"history", "1"});
        QCOMPARE(En(o, "resultado"), QJsonValue("guardada"));
        QCOMPARE(En(o, "cambios").toArray().size(), 4); // two services, two products
        QCOMPARE(En(o, "cambios/0/despues/Psp_Monto"), QJsonValue(0));
        QVERIFY(En(o, "cambios/0/antes").isUndefined());
        o = documento({"status"});
        QCOMPARE(En(o, "estado"), QJsonValue("OK"));
        QCOMPARE(En(o, "servicios"), QJsonValue(2));
        QVERIFY(iso.match(En(o, "fecha").toString()).hasMatch());
        o = documento({"undo", "--yes"});
        QCOMPARE(En(o, "cuentas/servicios/retirados"), QJsonValue(2));
    }

    // Each download drops the entries older than historial_dias (90 unless set; 0 keeps all;
    // more than a hundred years is taken as a hundred).
    void retencion_data() {
        QTest::addColumn<QString>("conf");
        QTest::addColumn<bool>("queda");    // the entry of long ago
        QTest::addColumn<QString>("aviso"); // %1: the configuration file
        QTest::newRow("por omisión") << "" << false << "";
        QTest::newRow("todo") << "historial_dias=0" << true << "";
        QTest::newRow("cien años") << "historial_dias=36500" << true << "";
        QTest::newRow("el mayor entero")
            << "historial_dias=2147483647" << true
            << "kd562: aviso: historial_dias=2147483647 en %1 se toma como 36500 (cien años)";
    }
    void retencion() {
        QFETCH(QString, conf);
        QFETCH(bool, queda);
        QFETCH(QString, aviso);
        Kd562 kd;
        linea::Escribe(kd.ConfSistema(), conf + "\n");
        QVERIFY(kd.Prepara());
        kd.Ejecuta("INSERT INTO Pos_Servicio_Descarga (Psd_Numero, Psd_Fecha, Psd_Resultado) "
                   "VALUES (7, '2001-02-03T04:05:06', 'guardada')");
        kd.Ejecuta("INSERT INTO Pos_Servicio_Descarga_Cambio (Psd_Numero, Psdc_Clase, "
                   "Psp_Cve_Producto) VALUES (7, 'S+', 'VIEJO')");
        const Corrida c = kd.Corre({"sync", "--yes"});
        QCOMPARE(c.salida, 0);
        QCOMPARE(c.errores.split('\n').filter("historial_dias"),
                 aviso.isEmpty() ? QStringList() : QStringList{aviso.arg(kd.ConfSistema())});
        QCOMPARE(kd.Volcado("SELECT COUNT(*) FROM Pos_Servicio_Descarga WHERE Psd_Numero = 7") +
                     kd.Volcado("SELECT COUNT(*) FROM Pos_Servicio_Descarga_Cambio WHERE "
                                "Psd_Numero = 7"),
                 queda ? "11" : "00");
    }

    // Whatever the gateway's refusal says, a first night that failed is recorded and status
    // names it: what the database cannot keep is escaped, the text cut at 4096 characters.
    void mensajeDeLaPasarela_data() {
        QTest::addColumn<QByteArray>("mensaje"); // as the reply's JSON writes it
        QTest::addColumn<QString>("guardado");
        QTest::newRow("NUL") << QByteArray("Fuera de servicio\\u0000")
                             << "Fuera de servicio\\u{0000}";
        QTest::newRow("suplente suelto")
            << QByteArray("Fuera\\udc00 de servicio") << "Fuera\\u{DC00} de servicio";
        QTest::newRow("un MiB") << QByteArray(1 << 20, 'x') << QString(4095, 'x') + "…";
    }
    void mensajeDeLaPasarela() {
        QFETCH(QByteArray, mensaje);
        QFETCH(QString, guardado);
        simulador::Configuracion rechazo;
        rechazo.basura = "{\"code\":503,\"message\":\"" + mensaje + "\",\"result\":[]}";
        Kd562 kd;
        QVERIFY(kd.Prepara(rechazo));
        QCOMPARE(kd.Corre({"sync", "--yes"}).salida, 1);
        const Corrida c = kd.Corre({"status", "--format", "text"});
        QCOMPARE(SinFechas(c.estandar), "Aún no se ha guardado ninguna descarga\nÚltimo intento, "
                                        "FECHA (fallida): " +
                                            guardado + "\n");
        QCOMPARE(c.salida, 2);
    }

    // Ages and dates do not depend on the zones of the writer and the reader (the process's
    // TZ on SQLite, the session's PGTZ on PostgreSQL); dates show in the reader's. An entry
    // of an older version has only its date, taken as the reader's local time; a table of
    // an older version gets the instant's column from its owner's first download.
    void zonas_data() {
        QTest::addColumn<QString>("escribe");
        QTest::addColumn<QString>("lee");
        QTest::addColumn<int>("horas");     // the date the reader sees less the writer's
        QTest::addColumn<bool>("antigua");  // the table made without the instant
        QTest::addColumn<bool>("instante"); // the entry keeps its instant
        const auto fila = [](const char* nombre, const char* escribe, const char* lee, int horas,
                             bool antigua, bool instante) {
            QTest::newRow(nombre) << QString(escribe) << QString(lee) << horas << antigua
                                  << instante;
        };
        fila("México escribe, Tokio lee", "America/Mexico_City", "Asia/Tokyo", 15, false, true);
        fila("Tokio escribe en una tabla antigua, UTC lee", "Asia/Tokyo", "UTC", -9, true, true);
        fila("entrada sin instante", "Asia/Tokyo", "Asia/Tokyo", 0, false, false);
    }
    void zonas() {
        QFETCH(QString, escribe);
        QFETCH(QString, lee);
        QFETCH(int, horas);
        QFETCH(bool, antigua);
        QFETCH(bool, instante);
        const QString zona = prueba::EsPostgreSql() ? "PGTZ=" : "TZ=";
        Kd562 kd;
        QVERIFY(kd.Prepara());
        if (antigua)
            kd.Ejecuta("ALTER TABLE Pos_Servicio_Descarga DROP COLUMN Psd_Instante");
        if (antigua && prueba::EsPostgreSql()) { // a role not the owner writes on without it
            kd.CreaRol("SELECT, INSERT, UPDATE, DELETE");
            kd.Ejecuta("GRANT SELECT, INSERT, DELETE ON Pos_Servicio_Descarga, "
                       "Pos_Servicio_Descarga_Cambio TO \"" +
                       kd.Rol() + '"');
            const Corrida c = kd.ComoRol({"sync", "--yes"});
            kd.BorraRol();
            QCOMPARE(c.salida, 0);
            QVERIFY2(c.errores.contains("(falta la columna Pos_Servicio_Descarga.Psd_Instante); "
                                        "el dueño de las tablas debe ejecutar \"kd562 init\""),
                     qPrintable(c.errores));
            QCOMPARE(kd.Volcado("SELECT COUNT(*) FROM Pos_Servicio_Descarga"), "1");
        }
        QCOMPARE(kd.Corre({"sync", "--yes"}, {}, {}, {zona + escribe}).salida, 0);
        if (!instante)
            kd.Ejecuta("UPDATE Pos_Servicio_Descarga SET Psd_Instante = NULL");
        const Corrida estado =
            kd.Corre({"status", "--max-age", "1", "--format", "text"}, {}, {}, {zona + lee});
        QVERIFY2(estado.estandar.contains(", hace 0 min, por "), qPrintable(estado.estandar));
        QCOMPARE(estado.salida, 0);
        // As written, with no zone of the test's own in between.
        const auto fecha = [&](const QString& z) {
            const Corrida c = kd.Corre({"history"}, {}, {}, {zona + z});
            return QDateTime::fromString(c.estandar.section('\n', 1, 1).section('\t', 1, 1) + 'Z',
                                         Qt::ISODate);
        };
        const QDateTime delEscritor = fecha(escribe);
        QVERIFY(delEscritor.isValid());
        QCOMPARE(delEscritor.secsTo(fecha(lee)), horas * 3600);
    }

    // A failure that may pass by itself is tried again after a growing wait, or the one the
    // gateway asks for; any other is not. In the journal each line carries its priority.
    void reintentos_data() {
        QTest::addColumn<int>("fallas");       // requests the gateway fails first
        QTest::addColumn<int>("estado");       // with this HTTP status
        QTest::addColumn<QString>("cabecera"); // and this Retry-After; "-": none
        QTest::addColumn<int>("espera");       // the wait each retry tells; 0: the computed one
        QTest::addColumn<int>("salida");
        QTest::addColumn<int>("peticiones");
        QTest::newRow("dos 503, luego bien") << 2 << 503 << "-" << 0 << 0 << 3;
        QTest::newRow("siempre 504") << 100 << 504 << "-" << 0 << 75 << 4;
        QTest::newRow("429 con Retry-After") << 1 << 429 << "1" << 1 << 0 << 2;
        // What is not a wait of 1 s or more is not the server's word.
        QTest::newRow("Retry-After negativo") << 1 << 503 << "-5" << 0 << 0 << 2;
        QTest::newRow("Retry-After ilegible") << 1 << 503 << "abc" << 0 << 0 << 2;
        QTest::newRow("Retry-After vacio") << 1 << 503 << "" << 0 << 0 << 2;
        QTest::newRow("500 no se reintenta") << 100 << 500 << "-" << 0 << 1 << 1;
        QTest::newRow("401 no se reintenta") << 100 << 401 << "-" << 0 << 1 << 1;
    }
    void reintentos() {
        QFETCH(int, fallas);
        QFETCH(int, estado);
        QFETCH(QString, cabecera);
        QFETCH(int, espera);
        QFETCH(int, salida);
        QFETCH(int, peticiones);
        simulador::Configuracion c;
        c.fallasIniciales = fallas;
        c.estadoFallas = estado;
        if (cabecera != "-")
            c.reintentarEn = cabecera.toStdString();
        Kd562 kd;
        QVERIFY(kd.Prepara(c));
        // Computed waits are told as chosen, then shrink a thousandfold; the gateway's own
        // stays as it is.
        QElapsedTimer reloj;
        reloj.start();
        const Corrida corrida = kd.Corre({"sync", "--yes", "--retries", "3"}, {}, {},
                                         {"KD562_ESCALA_ESPERAS=0.001", "JOURNAL_STREAM=diario"});
        QCOMPARE(corrida.salida, salida);
        QCOMPARE(kd.Pasarela().Peticiones(), peticiones);
        QVERIFY(reloj.elapsed() < 20000);
        QVERIFY(reloj.elapsed() >= espera * 1000);
        static const QRegularExpression dicha("el intento (\\d) de 4 falló;.*\\(en (\\d+) s\\)");
        for (auto m = dicha.globalMatch(corrida.errores); m.hasNext();) {
            const QRegularExpressionMatch una = m.next();
            const int base = 30 << (una.captured(1).toInt() - 1), dijo = una.captured(2).toInt();
            QVERIFY2(espera ? dijo == espera : dijo >= base * 4 / 5 && dijo <= base * 6 / 5,
                     qPrintable(una.captured()));
        }
        // Every line has its priority: the report <3>, each retry <4>, the summary <6>, and
        // a failed night ends in one <3> line.
        const QStringList lineas = corrida.errores.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lineas.filter(QRegularExpression("^<[346]>")).size(), lineas.size());
        QCOMPARE(lineas.filter(QRegularExpression("^<4>kd562: el intento \\d de 4 falló")).size(),
                 peticiones - 1);
        QCOMPARE(lineas.filter("<3>[CRITICO]").size(), salida ? peticiones : peticiones - 1);
        QCOMPARE(lineas.last(),
                 salida ? QString("<3>kd562: la descarga no se guardó (estado %1)").arg(salida)
                        : "<6>Productos: 2 nuevos, 0 cambiados, 0 sin cambio");
        // Each try is in the history (what status says of it: mensajeDeLaPasarela).
        QCOMPARE(kd.Corre({"history"}).estandar.count("\tfallida\t"),
                 salida ? peticiones : peticiones - 1);
    }

    // A database server that is down when the night starts is tried again, as the gateway
    // is; a database file that is missing is a fault of set-up, tried once.
    void baseInalcanzable_data() {
        QTest::addColumn<QString>("db");
        QTest::addColumn<QString>("motivo");
        QTest::addColumn<int>("intentos");
        QTest::addColumn<int>("salida");
        QTest::newRow("servidor caido")
            << "postgresql://kd562@127.0.0.1:1/tienda"
            << "No se pudo conectar con el servidor de base de datos" << 3 << 75;
        QTest::newRow("archivo faltante") << "sqlite:falta.db"
                                          << "No existe la base de datos" << 1 << 2;
    }
    void baseInalcanzable() {
        QFETCH(QString, db);
        QFETCH(QString, motivo);
        QFETCH(int, intentos);
        QFETCH(int, salida);
        if (prueba::EsPostgreSql())
            QSKIP("Cada fila elige su base");
        Kd562 kd;
        const Corrida c =
            kd.Corre({"sync", "--yes", "--retries", "2"}, {}, db, {"KD562_ESCALA_ESPERAS=0.001"});
        QCOMPARE(c.salida, salida);
        QCOMPARE(c.errores.count("kd562: " + motivo), intentos);
        QCOMPARE(c.errores.count(QRegularExpression("kd562: el intento \\d de 3 falló")),
                 intentos - 1);
    }

    // On a terminal, one line tells how far the download is, and each message erases it
    // first; elsewhere (every other test) nothing of it shows.
    void avanceEnTerminal() {
        if (QProcess::execute("sh", {"-c", "command -v script >/dev/null"}) != 0)
            QSKIP("Sin script(1) no hay terminal que simular");
        Kd562 kd;
        QVERIFY(kd.Prepara());
        // script(1) gives the program a terminal; its standard output goes elsewhere.
        const Corrida c = kd.CorreSolo(
            {"-qec",
             QStringLiteral("'%1' --db '%2' sync --yes 2>&1 >/dev/null").arg(KD562_EXE, kd.Db()),
             "/dev/null"},
            {}, {}, "script");
        QCOMPARE(c.salida, 0);
        QVERIFY2(
            c.estandar.startsWith("\r\x1b[KRecibidos 0 KiB de la pasarela\r\x1b[KEscritos 2 de "
                                  "2 servicios\r\x1b[KEscritos 2 de 2 productos\r\x1b["
                                  "KServicios: 2 nuevos"),
            qPrintable(c.estandar));
        QVERIFY(c.estandar.endsWith("\r\x1b[KProductos: 2 nuevos, 0 cambiados, 0 sin cambio\r\n"));
    }

    // On a terminal without --yes, a person answers [s/N] once the download is planned and
    // its summary shown, or once the undo named its download; No saves nothing.
    void confirmaEnTerminal_data() {
        QTest::addColumn<QString>("comando");
        QTest::addColumn<QByteArray>("respuesta");
        QTest::addColumn<int>("salida");
        QTest::addColumn<QString>("resultado"); // of the latest entry
        QTest::newRow("sync, sí") << "sync" << QByteArray("s\n") << 0 << "guardada";
        QTest::newRow("sync, Enter") << "sync" << QByteArray("\n") << 1 << "descartada";
        QTest::newRow("undo, sí") << "undo" << QByteArray("s\n") << 0 << "deshacer";
    }
    void confirmaEnTerminal() {
        QFETCH(QString, comando);
        QFETCH(QByteArray, respuesta);
        QFETCH(int, salida);
        QFETCH(QString, resultado);
        if (QProcess::execute("sh", {"-c", "command -v script >/dev/null"}) != 0)
            QSKIP("Sin script(1) no hay terminal que simular");
        simulador::Configuracion nota;
        nota.catalogo = linea::Catalogo();
        nota.catalogo.removeAt(1);
        simulador::SimuladorPasarela otra(nota);
        Kd562 kd;
        QVERIFY(otra.Inicia() != 0 && kd.Prepara());
        QCOMPARE(kd.Corre({"sync", "--yes"}).salida, 0);
        QCOMPARE(kd.Corre({"account", "--url", otra.URL(), "--user", "t"}).salida, 0);
        const Corrida c = kd.CorreSolo({"-qec",
                                        QStringLiteral("'%1' --db '%2' %3; echo \"salida $?\"")
                                            .arg(KD562_EXE, kd.Db(), comando),
                                        "/dev/null"},
                                       respuesta, {}, "script");
        const QString pregunta = comando == "sync"
                                     ? "[PREGUNTA] Guardar la descarga?: Servicios: 0 nuevos, 1 "
                                       "retirados, 0 cambiados, 1 sin cambio\r\n    Productos: 0 "
                                       "nuevos, 0 cambiados, 1 sin cambio\r\n    \r\n    Desea "
                                       "guardar estos cambios? (KD562) [s/N] "
                                     : "\r\n    Desea continuar? (KD562) [s/N] ";
        QVERIFY2(c.estandar.contains(pregunta) &&
                     c.estandar.endsWith(QString("salida %1\r\n").arg(salida)) &&
                     !c.estandar.contains("Generar nueva configuración"),
                 qPrintable(c.estandar));
        QCOMPARE(kd.Volcado("SELECT Psd_Resultado FROM Pos_Servicio_Descarga ORDER BY Psd_Numero "
                            "DESC LIMIT 1"),
                 resultado);
    }

    // Another terminal keeps the database longer than a statement waits: tried again.
    void reintentaBaseOcupada() {
        if (prueba::EsPostgreSql())
            QSKIP("El bloqueo de un archivo de SQLite");
        Kd562 kd;
        QVERIFY(kd.Prepara());
        std::atomic<bool> bloqueada = false;
        std::thread otra([&] { // connections live in the thread that opened them
            auto cnn = corvanta::Connection::Abre(kd.Db());
            cnn->Execute("BEGIN IMMEDIATE"); // others read, none writes
            bloqueada = true;
            QThread::msleep(6000); // past the first try (5 s); the attempt's record waits for it
            cnn->Execute("ROLLBACK");
        });
        while (!bloqueada)
            QThread::msleep(5);
        const Corrida corrida =
            kd.Corre({"sync", "--yes", "--retries", "1"}, {}, {}, {"KD562_ESCALA_ESPERAS=0.001"});
        otra.join();
        QCOMPARE(corrida.salida, 0);
        QVERIFY2(corrida.errores.contains("tiene ocupada la base de datos") &&
                     corrida.errores.contains("kd562: el intento 1 de 2 falló"),
                 qPrintable(corrida.errores));
    }

    // Two downloads at once on one file: the one whose plan the other overtook says so and,
    // retried, saves after it.
    void dosALaVez() {
        if (prueba::EsPostgreSql())
            QSKIP("El bloqueo de un archivo de SQLite");
        simulador::Configuracion c;
        QJsonObject servicio = linea::Catalogo()[1].toObject();
        for (int i = 0; i < 20000; ++i) {
            servicio["PRODUCTO"] = QString::number(i);
            servicio["DESCRIPCION"] = QString("%1 cobro").arg(i, 5, 10, QChar('0'));
            c.catalogo.append(servicio);
        }
        Kd562 kd;
        QVERIFY(kd.Prepara(c));
        const Corrida dos = kd.CorreSolo(
            {"-c",
             "\"$0\" --db \"$1\" sync --yes --retries 1 >/dev/null 2>&1 & \"$0\" --db \"$1\" "
             "sync --yes --retries 1 >/dev/null 2>&1; a=$?; wait $!; echo $a $?",
             KD562_EXE, kd.Db()},
            {}, {"KD562_ESCALA_ESPERAS=0.001"}, "sh");
        QCOMPARE(dos.estandar, "0 0\n");
        QCOMPARE(kd.Corre({"history"}).estandar.count("\tguardada\t"), 2);
    }

    // On PostgreSQL, init gives the history the rights that roles have on the catalogue
    // (PUBLIC's too, names quoted); a role that still lacks them is told which before
    // anything starts, and its download goes on without the history.
    void permisos_data() {
        QTest::addColumn<QString>("permisos"); // the role's on the three tables
        QTest::addColumn<QString>("publico");  // PUBLIC's on Pos_Servicio_Producto
        QTest::addColumn<bool>("init");        // the owner runs init once the role exists
        QTest::addColumn<QString>("falta");    // what undo and sync say the role lacks
        const QString todos = "SELECT, INSERT, UPDATE, DELETE", select = "SELECT";
        QTest::newRow("caja, init después") << todos << "" << true << "";
        QTest::newRow("consulta, init después") << select << "" << true << "INSERT";
        QTest::newRow("caja, sin init") << todos << "" << false << select;
        QTest::newRow("consulta por PUBLIC") << select << select << true << "INSERT";
    }
    void permisos() {
        if (!prueba::EsPostgreSql())
            QSKIP("Los permisos de PostgreSQL");
        QFETCH(QString, permisos);
        QFETCH(QString, publico);
        QFETCH(bool, init);
        QFETCH(QString, falta);
        Kd562 kd;
        QVERIFY(kd.Prepara());
        QCOMPARE(kd.Corre({"sync", "--yes"}).salida, 0);
        kd.CreaRol(permisos);
        if (!publico.isEmpty())
            kd.Ejecuta("GRANT " + publico + " ON Pos_Servicio_Producto TO PUBLIC");
        if (init) {
            QStringList orden = permisos.split(", ");
            orden.sort();
            QString dados;
            for (const char* tabla : {"pos_servicio_descarga", "pos_servicio_descarga_cambio"}) {
                dados +=
                    "GRANT " + orden.join(", ") + " ON " + tabla + " TO \"" + kd.Rol() + "\"\n";
                if (!publico.isEmpty())
                    dados += "GRANT " + publico + " ON " + tabla + " TO PUBLIC\n";
            }
            const Corrida c = kd.Corre({"init"});
            QCOMPARE(c.estandar + QString::number(c.salida), dados + "0");
            QCOMPARE(kd.Corre({"init"}).estandar, ""); // given once
        }
        const auto negado = [&](const QString& permiso) {
            return "el rol " + kd.Rol() + " no tiene el permiso " + permiso +
                   " sobre la tabla Pos_Servicio_Descarga";
        };
        for (const QStringList& orden : {QStringList{"status", "--format", "text"},
                                         QStringList{"history"}, QStringList{"undo", "--yes"}}) {
            const QString permiso = orden[0] == "undo" ? falta : init ? "" : "SELECT";
            const Corrida c = kd.ComoRol(orden);
            if (permiso.isEmpty()) { // status and history see the owner's download
                QVERIFY2(c.salida == 0, qPrintable(orden[0] + ": " + c.errores));
                QVERIFY(
                    orden[0] == "undo" ||
                    c.estandar.contains(orden[0] == "status" ? "Descarga 1: " : "\tguardada\t"));
            } else {
                QCOMPARE(c.errores, "kd562: No se puede usar el historial: " + negado(permiso) +
                                        "; el dueño de las tablas le da los permisos de "
                                        "Pos_Servicio_Producto con \"kd562 init\"\n");
                QCOMPARE(c.salida, orden[0] == "status" ? 3 : 2); // status: UNKNOWN
            }
        }
        if (permisos != "SELECT") { // a till: downloads, with the history or told why not
            const Corrida c = kd.ComoRol({"sync", "--yes"});
            QCOMPARE(c.salida, 0);
            QCOMPARE(c.errores.contains("La descarga sigue sin historial: " + negado(falta)),
                     !falta.isEmpty());
            // The owner's download, the till's undo and download; or the first alone.
            QCOMPARE(kd.Volcado("SELECT COUNT(*) FROM Pos_Servicio_Descarga"),
                     falta.isEmpty() ? "3" : "1");
        }
        kd.BorraRol();
    }

    // A database made before the history: everything works unattended, nothing creates the
    // history but a download (or init).
    void sinHistorial() {
        Kd562 kd;
        QVERIFY(kd.Prepara());
        kd.Ejecuta("DROP TABLE Pos_Servicio_Descarga_Cambio");
        kd.Ejecuta("DROP TABLE Pos_Servicio_Descarga");
        QCOMPARE(kd.Corre({"list"}).salida, 0);
        QCOMPARE(kd.Corre({"history"}).estandar, kEncabezado);
        QCOMPARE(kd.Corre({"status"}).salida, 2);
        QCOMPARE(kd.Corre({"undo", "--yes"}).salida, 1);
        QCOMPARE(kd.Tablas(), 3);

        if (prueba::EsPostgreSql()) { // a role that may write the three tables, not create any
            const Corrida c = kd.ConRol("SELECT, INSERT, UPDATE, DELETE", {"sync", "--yes"});
            QCOMPARE(c.salida, 0);
            QCOMPARE(c.errores.count('\n'), 3); // the summary's two lines and one about init
            QVERIFY2(c.errores.contains("\"kd562 init\""), qPrintable(c.errores));
            QCOMPARE(kd.Tablas(), 3);
        }
        QCOMPARE(kd.Corre({"sync", "--yes"}).salida, 0);
        QCOMPARE(kd.Tablas(), 5);
        QCOMPARE(kd.Corre({"status"}).salida, 0);
    }
};

QTEST_MAIN(TstHistorialCli)
#include "tst_historial_cli.moc"
