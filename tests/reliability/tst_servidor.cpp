// PostgreSQL, on a server of this test's own: two terminals that sync at once; a server that
// dies, so that a sync it was serving ends with a clear message and leaves the old catalogue,
// and a screen left open keeps working once the server is back.
#include "PantallaDePrueba.h"

#include <QElapsedTimer>
#include <QtTest>

class TstServidor : public QObject {
    Q_OBJECT
    QString mCarpeta;

    void Servidor(const QString& orden) {
        QCOMPARE(prueba::Corre(KD562_PG_SERVIDOR, {orden, mCarpeta}).salida, 0);
    }

private slots:
    // The tests' databases live on a server of this test's own (scripts/pg-servidor).
    void initTestCase() {
        if (QProcess::execute("sh", {"-c", "ls /usr/lib/postgresql/*/bin/initdb"}) != 0)
            QSKIP("Sin PostgreSQL instalado no hay servidor que matar");
        const QStringList salida =
            prueba::Corre(KD562_PG_SERVIDOR, {"start"}).estandar.trimmed().split(' ');
        QCOMPARE(salida.size(), 2);
        mCarpeta = salida.at(0);
        qputenv("KD562_PG_URL", salida.at(1).toUtf8());
        qputenv("KD562_PRUEBA_MOTOR", "postgresql");
    }
    void cleanupTestCase() {
        if (!mCarpeta.isEmpty())
            Servidor("stop");
    }

    // Two terminals press "Configurar servicios" on the same database at once.
    void dosTerminales() {
        const int servicios = 1500;
        prueba::PantallaDePrueba t(prueba::Catalogo(servicios));
        const QStringList sync = {"--db", t.Url(), "sync", "--yes", "--allow-shrink"};
        QCOMPARE(prueba::Corre(KD562_EXE, sync).salida, 0);
        int perdedores = 0;
        for (int vuelta = 0; vuelta < 5; ++vuelta) {
            QProcess a, b;
            a.start(KD562_EXE, sync);
            b.start(KD562_EXE, sync);
            QVERIFY(a.waitForFinished(120000) && b.waitForFinished(120000));
            QVERIFY(a.exitCode() == 0 || b.exitCode() == 0);
            for (QProcess* p : {&a, &b}) {
                const QString errores = QString::fromUtf8(p->readAllStandardError());
                perdedores += p->exitCode() != 0;
                QVERIFY2(p->exitCode() == 0 ||
                             (p->exitCode() == 1 &&
                              (errores.contains("Otra terminal") || errores.contains("ocupada"))),
                         qPrintable(errores));
            }
            // One whole catalogue, every service tied to an existing product, nothing twice.
            const corvanta::Recordset rs = t.Cnn().Execute(
                "SELECT COUNT(DISTINCT Psp_Cve_Producto), COUNT(*), COUNT(p.Pr_Cve_Producto) FROM "
                "Pos_Servicio_Producto s LEFT JOIN Producto p ON p.Pr_Cve_Producto = "
                "s.Pr_Cve_Producto");
            for (int c = 0; c < 3; ++c)
                QCOMPARE(rs.Fields(c).toInt(), servicios);
        }
        qInfo("10 descargas simultáneas: %d terminaron bien, %d se deshicieron con aviso",
              10 - perdedores, perdedores);
    }

    // The postmaster goes while the rewrite's transaction is open (between its statements or
    // inside its COPY).
    void sincronizacionInterrumpida() {
        prueba::PantallaDePrueba t(prueba::Catalogo(20000, "V"));
        const QStringList sync = {"--db", t.Url(), "sync", "--yes", "--allow-shrink"};
        QCOMPARE(prueba::Corre(KD562_EXE, sync).salida, 0);
        const QStringList antes = t.Filas();
        t.CambiaPasarela(prueba::ConCatalogo(prueba::Catalogo(20000, "N")));
        corvanta::Sesion::Cierra();
        QProcess proceso;
        proceso.start(KD562_EXE, sync);
        auto vigia = corvanta::Connection::Abre(t.Url());
        QElapsedTimer reloj;
        reloj.start();
        while (vigia
                   ->Execute("SELECT COUNT(*) FROM pg_stat_activity WHERE pid <> pg_backend_pid() "
                             "AND (state = 'idle in transaction' OR query LIKE 'COPY %')")
                   .Fields(0) == 0) {
            QVERIFY2(reloj.elapsed() < 60000, "la descarga no abrió su transacción");
            QTest::qSleep(2);
        }
        vigia.reset();
        reloj.restart();
        Servidor("kill");
        QVERIFY(proceso.waitForFinished(90000));
        QVERIFY2(reloj.elapsed() < 60000, "kd562 no terminó dentro de sus tiempos");
        const QString errores = QString::fromUtf8(proceso.readAllStandardError());
        QCOMPARE(proceso.exitCode(), 1);
        QVERIFY2(errores.contains("[CRITICO] Controles_B1Click(): Se perdió la conexión con el "
                                  "servidor de base de datos"),
                 qPrintable(errores));
        Servidor("restart");
        QCOMPARE(t.Filas(), antes);
    }

    // The first press may meet the broken link: one clear message, nothing changed.
    void pantallaAbiertaSeRecupera() {
        prueba::PantallaDePrueba t(prueba::Catalogo(50));
        t.Muestra();
        Servidor("kill");
        Servidor("restart");
        t.Descarga();
        if (t.Mensajes().Cuenta() > 0) {
            QCOMPARE(t.Mensajes().Cuenta(), 1);
            QVERIFY2(t.Mensajes().Ultimo().texto.startsWith("Se perdió la conexión"),
                     qPrintable(t.Mensajes().Ultimo().texto));
            QCOMPARE(t.Filas(), QStringList{});
            t.Descarga();
        }
        QCOMPARE(t.Mensajes().Cuenta(), 0);
        QCOMPARE(t.Total(), "Total: 50");
    }
};

QTEST_MAIN(TstServidor)
#include "tst_servidor.moc"
