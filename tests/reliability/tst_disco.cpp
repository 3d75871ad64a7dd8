// SQLite when the disk fills: the download rolls back, shows the driver's message, and the
// file stays intact and usable.
#include "PantallaDePrueba.h"

#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

class TstDisco : public QObject {
    Q_OBJECT

private slots:
    void discoLleno_data() {
        QTest::addColumn<bool>("sistemaDeArchivos");
        QTest::newRow("paginas limitadas") << false;
        QTest::newRow("tmpfs lleno") << true;
    }
    void discoLleno() {
        QFETCH(bool, sistemaDeArchivos);
        prueba::PantallaDePrueba t(prueba::Catalogo(20, "V"));
        t.Descarga();
        QTemporaryDir aparte;
        const QString db = t.Carpeta() + "/corvanta.db", copia = aparte.filePath("copia.db");
        const auto desmonta = qScopeGuard([&] {
            t.Pantalla().Unload();
            corvanta::Sesion::Cierra();
            if (sistemaDeArchivos)
                QProcess::execute("umount", {t.Carpeta()});
        });
        if (sistemaDeArchivos) {
            // The database moves to a filesystem of 1 MiB: the old catalogue fits, the new not.
            corvanta::Sesion::Cierra();
            QVERIFY(QFile::rename(db, copia));
            if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=1m", "tmpfs", t.Carpeta()}))
                QSKIP("Montar un tmpfs necesita ser root");
            QVERIFY(QFile::copy(copia, db));
        }
        const QStringList antes = t.Filas();
        if (!sistemaDeArchivos)
            t.Ejecuta(QStringLiteral("PRAGMA max_page_count = %1")
                          .arg(t.Entero("PRAGMA page_count") + 30));
        t.CambiaPasarela(prueba::ConCatalogo(prueba::Catalogo(6000, QString(30, 'G'))));
        t.Descarga();
        QCOMPARE(t.Mensajes().Cuenta(), 3); // the two questions, then the failure
        QCOMPARE(prueba::Firma(t.Mensajes().Ultimo()),
                 "16|Controles_B1Click()|ERR-ID:7500002|KD562");
        QVERIFY2(t.Mensajes().Ultimo().texto.contains("full"),
                 qPrintable(t.Mensajes().Ultimo().texto));
        QVERIFY(t.Intacta(antes));
        QCOMPARE(t.Valor("PRAGMA integrity_check").toString(), "ok");
        QCOMPARE(t.Total(), "Total: 20");
        // Still usable: a catalogue that fits goes through.
        t.CambiaPasarela(prueba::ConCatalogo(prueba::Catalogo(20, "W")));
        t.Descarga();
        QCOMPARE(t.Mensajes().Cuenta(), 2); // the two questions
        QCOMPARE(t.Lista().first(), "W0");
    }
};

QTEST_MAIN(TstDisco)
#include "tst_disco.moc"
