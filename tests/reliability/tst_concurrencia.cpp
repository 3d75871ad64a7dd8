// Two terminals press "Configurar servicios" on the same PostgreSQL database at once.
#include "BaseNueva.h"
#include "SimuladorPasarela.h"
#include "runtime/Connection.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using namespace corvanta;

namespace {

QJsonArray Catalogo(int n) {
    const char* descripciones[] = {"Televia", "AT&T", "Weex", "Saldo Local", "Pago de luz"};
    QJsonArray catalogo;
    for (int i = 0; i < n; ++i)
        catalogo.append(QJsonObject{{"PRODUCTO", QStringLiteral("C%1").arg(i)},
                                    {"DESCRIPCION", descripciones[i % 5]},
                                    {"GRUPO", i % 5 == 4 ? "SERVICIOS" : "TAE"},
                                    {"MONTO", i % 5 == 4 ? 0 : 10 + i},
                                    {"OBSERVACION", ""}});
    return catalogo;
}

qlonglong Entero(Connection& cnn, const char* sql) {
    return cnn.Execute(QString::fromLatin1(sql)).Fields(0).toLongLong();
}

} // namespace

class TstConcurrencia : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { KD562_SALTA_SIN_SERVIDOR(); }
    void dosTerminales();
};

void TstConcurrencia::dosTerminales() {
    if (!prueba::EsPostgreSql())
        QSKIP("Dos terminales sobre una misma base: solo con PostgreSQL");
    const int servicios = 1500;
    simulador::Configuracion configuracion;
    configuracion.catalogo = Catalogo(servicios);
    simulador::SimuladorPasarela simulador(configuracion);
    QVERIFY(simulador.Inicia() != 0);
    prueba::BaseNueva base;
    auto corre = [&](const QStringList& argumentos) {
        QProcess p;
        p.start(QStringLiteral(KD562_EXE), QStringList{"--db", base.Url()} + argumentos);
        p.closeWriteChannel();
        p.waitForFinished(120000);
        return p.exitCode();
    };
    QCOMPARE(corre({"init"}), 0);
    QCOMPARE(corre({"account", "--url", simulador.URL(), "--user", "t"}), 0);
    QCOMPARE(corre({"sync", "--yes", "--allow-shrink"}), 0);

    int ganadores = 0, perdedores = 0;
    for (int vuelta = 0; vuelta < 5; ++vuelta) {
        QProcess a, b;
        const QStringList argumentos = {"--db", base.Url(), "sync", "--yes", "--allow-shrink"};
        a.start(QStringLiteral(KD562_EXE), argumentos);
        b.start(QStringLiteral(KD562_EXE), argumentos);
        QVERIFY(a.waitForFinished(120000) && b.waitForFinished(120000));
        for (QProcess* p : {&a, &b}) {
            const QString errores = QString::fromUtf8(p->readAllStandardError());
            if (p->exitCode() == 0) {
                ++ganadores;
            } else {
                ++perdedores;
                QCOMPARE(p->exitCode(), 1);
                QVERIFY2(errores.contains(QStringLiteral("Otra terminal")) ||
                             errores.contains(QStringLiteral("ocupada")),
                         qPrintable(errores));
            }
        }
        QVERIFY(a.exitCode() == 0 || b.exitCode() == 0);
        // One whole catalogue, every service tied to an existing product, nothing twice.
        auto cnn = Connection::Abre(base.Url());
        QCOMPARE(Entero(*cnn, "SELECT COUNT(*) FROM Pos_Servicio_Producto"), servicios);
        QCOMPARE(Entero(*cnn, "SELECT COUNT(DISTINCT Psp_Cve_Producto) FROM Pos_Servicio_Producto"),
                 servicios);
        QCOMPARE(Entero(*cnn, "SELECT COUNT(*) FROM Pos_Servicio_Producto s INNER JOIN Producto p "
                              "ON p.Pr_Cve_Producto = s.Pr_Cve_Producto"),
                 servicios);
    }
    qInfo("10 descargas simultáneas: %d terminaron bien, %d se deshicieron con aviso", ganadores,
          perdedores);
}

QTEST_MAIN(TstConcurrencia)
#include "tst_concurrencia.moc"
