// Kills "kd562 sync --yes" at many moments and checks that the database always holds
// either the whole old catalogue or the whole new one.
#include "PantallaDePrueba.h"

#include <QElapsedTimer>
#include <QtTest>
#include <csignal>

class TstCaida : public QObject {
    Q_OBJECT

private slots:
    void muertesNoMezclan() {
#ifdef KD562_SANITIZE
        const int muertes = 24, servicios = 4000; // a slow start leaves a short window
#else
        const int muertes = 24, servicios = 20000;
#endif
        prueba::PantallaDePrueba t(prueba::Catalogo(300, "V"));
        const QString original = t.Carpeta() + "/corvanta.db", ruta = t.Carpeta() + "/db";
        QCOMPARE(
            prueba::Corre(KD562_EXE, {"--db", t.Url(), "sync", "--yes", "--allow-shrink"}).salida,
            0);
        t.CambiaPasarela(prueba::ConCatalogo(prueba::Catalogo(servicios, "N")));
        const QStringList antes = t.Filas();
        corvanta::Sesion::Cierra();
        // A fresh copy of the database, killed after espera ms (-1: left to the end).
        auto corre = [&](int espera) {
            QFile::remove(ruta);
            QFile::remove(ruta + "-journal");
            QFile::copy(original, ruta);
            QProcess proceso;
            proceso.start(KD562_EXE, {"--db", "sqlite:" + ruta, "sync", "--yes", "--allow-shrink"});
            if (espera >= 0 && proceso.waitForStarted()) {
                QTest::qSleep(espera);
                ::kill(static_cast<pid_t>(proceso.processId()), SIGKILL);
            }
            proceso.waitForFinished(300000);
            return proceso.exitStatus() == QProcess::NormalExit && proceso.exitCode() == 0;
        };
        auto cnn = [&] { return corvanta::Connection::Abre("sqlite:" + ruta); };
        QElapsedTimer reloj;
        reloj.start();
        QVERIFY(corre(-1)); // to the end: the new state and how long a run takes
        const qint64 duracion = reloj.elapsed();
        const QStringList despues = prueba::Filas(*cnn());
        QVERIFY(despues != antes);
        int dentro = 0, viejas = 0;
        for (int k = 0; k < muertes; ++k) {
            corre(static_cast<int>(duracion * (k + 0.5) / muertes));
            // A journal left behind means the kill landed inside the open transaction.
            dentro += QFile(ruta + "-journal").size() > 0;
            QCOMPARE(cnn()->Execute("PRAGMA integrity_check").Fields(0).toString(), "ok");
            const QStringList filas = prueba::Filas(*cnn());
            QVERIFY2(filas == antes || filas == despues, qPrintable(QString::number(k)));
            viejas += filas == antes;
        }
        qInfo(
            "%d muertes en %lld ms de corrida: %d dentro de la transacción, %d dejaron el catálogo "
            "anterior, %d el nuevo, 0 mezclados",
            muertes, duracion, dentro, viejas, muertes - viejas);
        QVERIFY(dentro > 0);
    }
};

QTEST_MAIN(TstCaida)
#include "tst_caida.moc"
