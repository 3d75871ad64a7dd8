// PostgreSQL, on a server of this test's own: two terminals that sync at once; a server that
// dies, so that a sync it was serving ends with a clear message and leaves the old catalogue,
// and a screen left open keeps working once the server is back.
#include "PantallaDePrueba.h"

#include "data/Historial.h"

#include <QElapsedTimer>
#include <QtTest>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Cuts this process's link to the server whose local port is `puerto`, as a network that
// dies would: whatever the server answers from now on never arrives.
void CortaEnlace(int puerto) {
    for (int fd = 3; fd < 1024; ++fd) {
        sockaddr_in local{};
        socklen_t largo = sizeof local;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &largo) != 0 ||
            local.sin_family != AF_INET || ntohs(local.sin_port) != puerto)
            continue;
        int par[2];
        QCOMPARE(socketpair(AF_UNIX, SOCK_STREAM, 0, par), 0);
        ::close(par[1]);
        QVERIFY(dup2(par[0], fd) == fd);
        ::close(par[0]);
        return;
    }
    QFAIL("no se encontró la conexión con el servidor");
}

} // namespace

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

    // Two terminals at once on the same database, five times: two downloads ("Configurar
    // servicios" pressed on both), or an undo and a download of a new catalogue. Each time
    // one whole catalogue, every service once and tied to its product, or none when undone;
    // the history says which, and a download that loses says why.
    void aLaVez_data() {
        QTest::addColumn<bool>("deshace");
        QTest::newRow("dos descargas") << false;
        QTest::newRow("deshacer y descargar") << true;
    }
    void aLaVez() {
        QFETCH(bool, deshace);
        const int servicios = 1500;
        prueba::PantallaDePrueba t(prueba::Catalogo(servicios, "A"));
        const QStringList db = {"--db", t.Url()};
        const QStringList sync = db + QStringList{"sync", "--yes", "--allow-shrink"};
        QCOMPARE(prueba::Corre(KD562_EXE, sync).salida, 0);
        int perdedores = 0;
        for (const char* prefijo : {"B", "C", "D", "E", "F"}) {
            if (deshace)
                t.CambiaPasarela(prueba::ConCatalogo(prueba::Catalogo(servicios, prefijo)));
            QProcess a, b;
            a.start(KD562_EXE, deshace ? db + QStringList{"undo", "--yes"} : sync);
            b.start(KD562_EXE, sync);
            QVERIFY(a.waitForFinished(120000) && b.waitForFinished(120000));
            QVERIFY(a.exitCode() == 0 || b.exitCode() == 0);
            for (QProcess* p : {&a, &b}) {
                const QString errores = QString::fromUtf8(p->readAllStandardError());
                perdedores += p->exitCode() != 0;
                // A download that finds its plan overtaken by the undo says so too.
                const bool dicho = errores.contains("Otra terminal") ||
                                   errores.contains("ocupada") ||
                                   (deshace && errores.contains("cambiaron desde que se preparó"));
                // Another terminal's write may pass by itself: EX_TEMPFAIL.
                QVERIFY2(p->exitCode() == 0 || (p == &a && deshace) ||
                             (p->exitCode() == 75 && dicho),
                         qPrintable(errores));
            }
            const QString estado =
                prueba::Corre(KD562_EXE, db + QStringList{"status", "--format", "text"}).estandar;
            QVERIFY2(estado.contains("El catálogo está como lo dejó la entrada"),
                     qPrintable(estado));
            const corvanta::Recordset rs = t.Cnn().Execute(
                "SELECT COUNT(DISTINCT Psp_Cve_Producto), COUNT(*), COUNT(p.Pr_Cve_Producto), "
                "COUNT(DISTINCT SUBSTR(Psp_Cve_Producto, 1, 1)) FROM Pos_Servicio_Producto s "
                "LEFT JOIN Producto p ON p.Pr_Cve_Producto = s.Pr_Cve_Producto");
            const int filas = rs.Fields(1).toInt();
            QVERIFY2(filas == servicios || (deshace && filas == 0),
                     qPrintable(QString::number(filas)));
            for (int c = 0; c < 3; ++c)
                QCOMPARE(rs.Fields(c).toInt(), filas);
            QCOMPARE(rs.Fields(3).toInt(), filas ? 1 : 0); // no two catalogues mixed
            if (deshace)                                   // this turn's catalogue, for the next
                QCOMPARE(prueba::Corre(KD562_EXE, sync).salida, 0);
        }
        qInfo("%d de 10 terminaron con aviso", perdedores);
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

    // The link dies with the COMMIT sent: the screen asks the server how it ended and says so.
    void confirmacionPerdida_data() {
        QTest::addColumn<QString>("falla");     // what happens around the COMMIT
        QTest::addColumn<QString>("mensaje");   // the report starts so; empty: none
        QTest::addColumn<QString>("resultado"); // the history's entry
        QTest::newRow("respuesta perdida") << "corte"
                                           << ""
                                           << "guardada";
        QTest::newRow("servidor caído antes") << "caida"
                                              << "Se perdió la conexión con el "
                                                 "servidor de base de datos; lo que "
                                                 "estaba en curso no se guardó"
                                              << "fallida";
        QTest::newRow("servidor que no vuelve") << "ausente"
                                                << "No se sabe si la descarga se guardó"
                                                << "desconocida";
    }
    void confirmacionPerdida() {
        QFETCH(QString, falla);
        QFETCH(QString, mensaje);
        QFETCH(QString, resultado);
        prueba::PantallaDePrueba t(prueba::Catalogo(30, "V"));
        t.Descarga();
        const QStringList antes = t.Filas();
        t.CambiaPasarela(prueba::ConCatalogo(prueba::Catalogo(30, "N")));
        const int puerto = t.Cnn().Execute("SELECT inet_client_port()").Fields(0).toInt();
        t.Cnn().setEsperaDesenlaceMs(3000);
        bool hecho = false; // only the download's COMMIT, not the attempt's after it
        t.Cnn().setAlConfirmar([&](bool enviado) {
            if (hecho)
                return;
            hecho = enviado;
            if (falla == "corte" && enviado) {
                QTest::qSleep(300); // the server commits; its reply is on the way
                CortaEnlace(puerto);
            } else if (falla != "corte" && !enviado) {
                Servidor("kill");
                if (falla == "caida")
                    Servidor("restart");
            }
        });
        t.Descarga();
        t.Cnn().setAlConfirmar(nullptr);
        if (falla == "ausente")
            Servidor("restart");
        // The two questions, the report, and with no server the list that cannot be shown
        // again.
        QCOMPARE(t.Mensajes().Cuenta(), mensaje.isEmpty() ? 2 : falla == "ausente" ? 4 : 3);
        QVERIFY2(t.Mensajes()
                     .En(mensaje.isEmpty() ? 0 : 2)
                     .texto.startsWith(mensaje.isEmpty() ? "Se han" : mensaje),
                 qPrintable(t.Mensajes().Ultimo().texto));
        QCOMPARE(t.Filas() == antes, !mensaje.isEmpty());
        QVERIFY(!t.Cnn().EnTransaccion());
        const auto entradas = kd562::LeeHistorial(t.Cnn(), 1);
        // The server that did not come back could not take the attempt.
        QCOMPARE(entradas.front().resultado, falla == "ausente" ? "guardada" : resultado);
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
