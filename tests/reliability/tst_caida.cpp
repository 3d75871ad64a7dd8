// Kills "kd562 sync --yes" at many moments and checks that the database always holds
// either the whole old catalogue or the whole new one.
#include "SimuladorPasarela.h"
#include "runtime/Connection.h"
#include "runtime/Valores.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

using namespace corvanta;

namespace {

QJsonArray Catalogo(int n, const QString& prefijo) {
    const char* descripciones[] = {"Televia", "AT&T", "Weex", "Saldo Local", "Pago de luz"};
    QJsonArray catalogo;
    for (int i = 0; i < n; ++i)
        catalogo.append(QJsonObject{{"PRODUCTO", QStringLiteral("%1%2").arg(prefijo).arg(i)},
                                    {"DESCRIPCION", descripciones[i % 5]},
                                    {"GRUPO", i % 5 == 4 ? "SERVICIOS" : "TAE"},
                                    {"MONTO", i % 5 == 4 ? 0 : 10 + i},
                                    {"OBSERVACION", prefijo}});
    return catalogo;
}

// The rows the download writes, without the dates that change from run to run.
QByteArray Huella(const QString& ruta) {
    auto cnn = Connection::Abre(QStringLiteral("sqlite:") + ruta);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const char* sql :
         {"SELECT Psp_Cve_Producto, Psp_Descripcion, Psp_Tipo, Psp_Grupo, Psp_Monto, "
          "Psp_Observacion, Pr_Cve_Producto, Oper_Alta FROM Pos_Servicio_Producto ORDER BY 1, 5",
          "SELECT Pr_Cve_Producto, Pr_Descripcion, Pr_Clave_Corta, Pr_Precio, Pr_Grupo FROM "
          "Producto ORDER BY 1"}) {
        Recordset rs = cnn->Execute(QString::fromLatin1(sql));
        for (; !rs.Eof(); rs.MoveNext()) {
            for (int c = 0; c < rs.FieldCount(); ++c)
                hash.addData(Concatena(rs.Fields(c)).toUtf8() + '\x1f');
            hash.addData("\x1e");
        }
        hash.addData("\x1d");
    }
    return hash.result().toHex();
}

QString Integridad(const QString& ruta) {
    auto cnn = Connection::Abre(QStringLiteral("sqlite:") + ruta);
    return cnn->Execute(QStringLiteral("PRAGMA integrity_check")).Fields(0).toString();
}

int Corre(const QStringList& argumentos, const QByteArray& entrada = {}) {
    QProcess proceso;
    proceso.start(QStringLiteral(KD562_EXE), argumentos);
    proceso.write(entrada);
    proceso.closeWriteChannel();
    proceso.waitForFinished(300000);
    return proceso.exitCode();
}

void Copia(const QString& de, const QString& a) {
    QFile::remove(a);
    QFile::remove(a + QStringLiteral("-journal"));
    QVERIFY(QFile::copy(de, a));
}

} // namespace

class TstCaida : public QObject {
    Q_OBJECT

private slots:
    void muertesNoMezclan();
};

void TstCaida::muertesNoMezclan() {
#ifdef KD562_SANITIZE
    const int muertes = 12, servicios = 4000;
#else
    const int muertes = 24, servicios = 20000;
#endif
    simulador::Configuracion viejo;
    viejo.catalogo = Catalogo(300, QStringLiteral("V"));
    simulador::SimuladorPasarela pasarelaVieja(viejo);
    simulador::Configuracion nuevo;
    nuevo.catalogo = Catalogo(servicios, QStringLiteral("N"));
    simulador::SimuladorPasarela pasarelaNueva(nuevo);
    QVERIFY(pasarelaVieja.Inicia() && pasarelaNueva.Inicia());

    QTemporaryDir carpeta;
    const QString original = carpeta.filePath(QStringLiteral("viejo.db"));
    const QString db = QStringLiteral("sqlite:") + original;
    QCOMPARE(Corre({"--db", db, "init"}), 0);
    QCOMPARE(Corre({"--db", db, "account", "--url", pasarelaVieja.URL(), "--user", "t",
                    "--password-stdin"},
                   "p\n"),
             0);
    QCOMPARE(Corre({"--db", db, "sync", "--yes", "--allow-shrink"}), 0);
    {
        auto cnn = Connection::Abre(db);
        cnn->Execute(QStringLiteral("UPDATE Pos_Servicio_Configuracion SET Psc_URL = '%1'")
                         .arg(pasarelaNueva.URL()));
    }
    const QByteArray huellaVieja = Huella(original);

    // One run to the end gives the new state and how long a run takes.
    const QString prueba = carpeta.filePath(QStringLiteral("corrida.db"));
    Copia(original, prueba);
    QElapsedTimer reloj;
    reloj.start();
    QCOMPARE(Corre({"--db", QStringLiteral("sqlite:") + prueba, "sync", "--yes", "--allow-shrink"}),
             0);
    const qint64 duracion = reloj.elapsed();
    const QByteArray huellaNueva = Huella(prueba);
    QVERIFY(huellaNueva != huellaVieja);

    int dentro = 0, viejas = 0, nuevas = 0;
    for (int k = 0; k < muertes; ++k) {
        Copia(original, prueba);
        QProcess proceso;
        proceso.start(QStringLiteral(KD562_EXE), {"--db", QStringLiteral("sqlite:") + prueba,
                                                  "sync", "--yes", "--allow-shrink"});
        QVERIFY(proceso.waitForStarted());
        QTest::qSleep(static_cast<int>(duracion * (k + 0.5) / muertes));
        ::kill(static_cast<pid_t>(proceso.processId()), SIGKILL);
        proceso.waitForFinished();
        // A journal left behind means the kill landed inside the open transaction.
        if (QFile(prueba + QStringLiteral("-journal")).size() > 0)
            ++dentro;
        QCOMPARE(Integridad(prueba), QStringLiteral("ok"));
        const QByteArray huella = Huella(prueba);
        QVERIFY2(huella == huellaVieja || huella == huellaNueva,
                 qPrintable(QStringLiteral("muerte %1 dejó un catálogo mezclado").arg(k)));
        (huella == huellaVieja ? viejas : nuevas) += 1;
    }
    qInfo("%d muertes en %lld ms de corrida: %d dentro de la transacción, %d dejaron el catálogo "
          "anterior, %d el nuevo, 0 mezclados",
          muertes, duracion, dentro, viejas, nuevas);
    QVERIFY(dentro > 0);
}

QTEST_MAIN(TstCaida)
#include "tst_caida.moc"
