#include "BaseTemporal.h"
#include "SimuladorPasarela.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "forms/PunteroRaton.h"
#include "runtime/Valores.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QToolButton>
#include <QtTest>
#include <thread>

using namespace corvanta;
using kd562::frmKD562;

namespace {

frmKD562& Pantalla() {
    return frmKD562::Instancia();
}

QJsonArray Catalogo() {
    QJsonArray catalogo;
    const char* descripciones[] = {"Televia", "WEEX", "Saldo Local", "AT&T", "Pago de luz"};
    for (int i = 0; i < 10; ++i)
        catalogo.append(QJsonObject{{"PRODUCTO", QStringLiteral("N%1").arg(i)},
                                    {"DESCRIPCION", descripciones[i % 5]},
                                    {"GRUPO", i % 5 == 4 ? "SERVICIOS" : "TAE"},
                                    {"MONTO", 10 * (i + 1)},
                                    {"OBSERVACION", ""}});
    return catalogo;
}

// A shop whose previous download left three services and their products.
struct Tienda {
    prueba::BaseTemporal base;
    simulador::SimuladorPasarela simulador;
    Tienda()
        : simulador([] {
              simulador::Configuracion c;
              c.catalogo = Catalogo();
              return c;
          }()) {
        simulador.Inicia();
        base.AgregaCuenta(simulador.URL(), QStringLiteral("t"), QStringLiteral("p"));
        for (int i = 1; i <= 3; ++i) {
            base.AgregaProducto(QStringLiteral("OLD%1").arg(i), QStringLiteral("Viejo %1").arg(i));
            base.AgregaServicio(QStringLiteral("O%1").arg(i), QStringLiteral("Viejo %1").arg(i),
                                QStringLiteral("TAE"), i, QString(),
                                QStringLiteral("OLD%1").arg(i));
        }
        // A product of an earlier download, which this one updates.
        base.Ejecuta(QStringLiteral("INSERT INTO Producto (Pr_Cve_Producto, Pr_Descripcion, "
                                    "Pr_Codigo1, Pr_Codigo2) VALUES ('20WEEX', 'Weex', '99', "
                                    "'SR')"));
    }
    // Everything the download may touch, row by row.
    QString Estado() {
        return base.Volcado(
            {QStringLiteral("SELECT * FROM Pos_Servicio_Producto ORDER BY Psp_Cve_Producto, "
                            "Psp_Monto"),
             QStringLiteral("SELECT * FROM Producto ORDER BY Pr_Cve_Producto")});
    }
};

void Descarga() {
    Pantalla().Controles->Boton(1)->click();
}

} // namespace

class TstFallas : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { kd562::Main(); }
    void cleanup() { Pantalla().Unload(); }
    void fallaInyectada_data();
    void fallaInyectada();
    void commitBloqueado();
    void bloqueoBreveSeEspera();
    void bloqueoLargoFallaClaro();
};

void TstFallas::fallaInyectada_data() {
    QTest::addColumn<QString>("disparador");
    QTest::addColumn<QString>("titulo"); // of the first report after the question
    QTest::addColumn<QString>("idError");
    QTest::newRow("tercer insert")
        << "CREATE TRIGGER f BEFORE INSERT ON Pos_Servicio_Producto WHEN (SELECT COUNT(*) FROM "
           "Pos_Servicio_Producto) >= 2 BEGIN SELECT RAISE(ABORT, 'falla inyectada'); END"
        << "Controles_B1Click()"
        << "ERR-ID:7500002";
    QTest::newRow("alta de producto")
        << "CREATE TRIGGER f BEFORE INSERT ON Producto WHEN NEW.Pr_Cve_Producto = '40ATT' BEGIN "
           "SELECT RAISE(ABORT, 'falla inyectada'); END"
        << "Controles_B1Click()"
        << "ERR-ID:7500002";
    QTest::newRow("cambio de producto")
        << "CREATE TRIGGER f BEFORE UPDATE ON Producto WHEN NEW.Pr_Cve_Producto = '20WEEX' BEGIN "
           "SELECT RAISE(ABORT, 'falla inyectada'); END"
        << "Controles_B1Click()"
        << "ERR-ID:7500002";
    QTest::newRow("delete rechazado")
        << "CREATE TRIGGER f BEFORE DELETE ON Pos_Servicio_Producto BEGIN SELECT RAISE(ABORT, "
           "'falla inyectada'); END"
        << "Controles_B1Click()"
        << "ERR-ID:7500002";
}

void TstFallas::fallaInyectada() {
    QFETCH(QString, disparador);
    QFETCH(QString, titulo);
    QFETCH(QString, idError);
    Tienda tienda;
    tienda.base.Ejecuta(disparador);
    const QString antes = tienda.Estado();
    Pantalla().Show();
    tienda.base.Mensajes().Limpia();
    Descarga();
    QCOMPARE(tienda.Estado(), antes);
    QVERIFY(!tienda.base.Cnn().EnTransaccion());
    QCOMPARE(PunteroRaton::Actual(), 0);
    const auto& registros = tienda.base.Mensajes().Registros();
    QVERIFY(registros.size() >= 2);
    const Mensaje& informe = registros.at(1).mensaje; // after the question
    QCOMPARE(informe.titulo, titulo);
    QCOMPARE(informe.idError, idError);
    QCOMPARE(informe.estilo, 16);
    QVERIFY2(informe.texto.contains(QStringLiteral("falla inyectada")), qPrintable(informe.texto));
    QCOMPARE(registros.size(), 2);
}

void TstFallas::commitBloqueado() {
    Tienda tienda;
    const QString antes = tienda.Estado();
    tienda.base.Cnn().setEsperaMs(200);
    // Another terminal reads the catalogue in an open transaction: writing may proceed but
    // the commit cannot.
    auto lector = tienda.base.OtraConexion();
    lector->BeginTrans();
    lector->Execute(QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Producto"));
    Pantalla().Show();
    tienda.base.Mensajes().Limpia();
    Descarga();
    lector->RollbackTrans();
    QCOMPARE(tienda.Estado(), antes);
    QVERIFY(!tienda.base.Cnn().EnTransaccion());
    const Mensaje& informe = tienda.base.Mensajes().Ultimo();
    QCOMPARE(informe.idError, QStringLiteral("ERR-ID:7500002"));
    QVERIFY2(informe.texto.startsWith(QStringLiteral("La base de datos está ocupada")),
             qPrintable(informe.texto));
    // Once the other terminal is gone the same download goes through.
    tienda.base.Mensajes().Limpia();
    Descarga();
    QCOMPARE(tienda.base.Mensajes().Cuenta(), 1); // only the question
    QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 10"));
}

void TstFallas::bloqueoBreveSeEspera() {
    Tienda tienda;
    Pantalla().Show();
    tienda.base.Mensajes().Limpia();
    // Another process holds the database for a moment; the download waits for it.
    const QString url = tienda.base.Url();
    std::atomic<bool> tomado = false;
    std::thread otro([&] {
        auto cnn = Connection::Abre(url);
        cnn->Execute(QStringLiteral("BEGIN EXCLUSIVE"));
        tomado = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        cnn->Execute(QStringLiteral("COMMIT"));
    });
    while (!tomado)
        std::this_thread::yield();
    Descarga();
    otro.join();
    QCOMPARE(tienda.base.Mensajes().Cuenta(), 1); // only the question
    QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 10"));
}

void TstFallas::bloqueoLargoFallaClaro() {
    Tienda tienda;
    const QString antes = tienda.Estado();
    Pantalla().Show();
    tienda.base.Cnn().setEsperaMs(150);
    auto otro = tienda.base.OtraConexion();
    otro->Execute(QStringLiteral("BEGIN EXCLUSIVE"));
    tienda.base.Mensajes().Limpia();
    Descarga();
    otro->Execute(QStringLiteral("COMMIT"));
    const Mensaje& informe = tienda.base.Mensajes().Ultimo();
    QVERIFY2(informe.texto.startsWith(QStringLiteral("La base de datos está ocupada")),
             qPrintable(informe.texto));
    QCOMPARE(informe.estilo, 16);
    QCOMPARE(tienda.Estado(), antes);
}

QTEST_MAIN(TstFallas)
#include "tst_fallas.moc"
