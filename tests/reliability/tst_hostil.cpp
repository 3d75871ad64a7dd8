#include "BaseTemporal.h"
#include "SimuladorPasarela.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "runtime/Valores.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QToolButton>
#include <QtTest>

using namespace corvanta;
using kd562::frmKD562;

namespace {

frmKD562& Pantalla() {
    return frmKD562::Instancia();
}

QJsonObject Servicio(const QJsonValue& clave, const QJsonValue& descripcion,
                     const QJsonValue& grupo, const QJsonValue& monto,
                     const QJsonValue& observacion = QString()) {
    return {{"PRODUCTO", clave},
            {"DESCRIPCION", descripcion},
            {"GRUPO", grupo},
            {"MONTO", monto},
            {"OBSERVACION", observacion}};
}

QString Estado(prueba::BaseTemporal& base) {
    return base.Volcado({QStringLiteral("SELECT Psp_Cve_Producto, Psp_Descripcion, Psp_Grupo, "
                                        "Psp_Monto, Psp_Observacion, Pr_Cve_Producto FROM "
                                        "Pos_Servicio_Producto ORDER BY 1, 4, 2"),
                         QStringLiteral("SELECT Pr_Cve_Producto, Pr_Descripcion FROM Producto "
                                        "ORDER BY 1")});
}

} // namespace

class TstHostil : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { kd562::Main(); }
    void cleanup() { Pantalla().Unload(); }
    void datosHostiles_data();
    void datosHostiles();
    void cienMilFilas();
};

void TstHostil::datosHostiles_data() {
    QTest::addColumn<QByteArray>("respuesta"); // the whole body the gateway sends
    QTest::addColumn<QString>("esperado");     // rows stored, or "" when it must be refused

    auto cuerpo = [](const QJsonArray& servicios) {
        return QJsonDocument(QJsonObject{{"code", 200}, {"message", "OK"}, {"result", servicios}})
            .toJson(QJsonDocument::Compact);
    };
    const QString inyeccion = QStringLiteral("x'); DELETE FROM Producto; --");
    QTest::newRow("comillas, comentarios y separadores")
        << cuerpo({Servicio(inyeccion, "O'Higgins /* nota */", "TAE", 20, "a; b -- c"),
                   Servicio("Q2", "Pago'; DROP TABLE Producto; --", "SERV'", 0)})
        << QStringLiteral("Q2|Pago'; DROP TABLE Producto; --|SERV'|0||Pago'; DRO\n"
                          "x'); DELETE FROM Producto; --|O'Higgins /* nota */|TAE|20|a; b -- "
                          "c|20O'H\n"
                          "20O'H|O'Higgins /* nota */\n"
                          "Pago'; DRO|Pago'; DROP TABLE Producto; --");
    QTest::newRow("nulos y vacios")
        << cuerpo({Servicio(QJsonValue::Null, "Saldo Local", "TAE", 50, QJsonValue::Null),
                   Servicio("N2", "Gas", QJsonValue::Null, 0, "")})
        << QStringLiteral("|Saldo Local|TAE|50||50Sal\nN2|Gas||0||Gas\n50Sal|Saldo Local\nGas|Gas");
    QTest::newRow("numeros como texto con blancos, negativos y enormes")
        << cuerpo({Servicio("M1", "Saldo Local", "TAE", " 100 "),
                   Servicio("M2", "Saldo Local", "TAE", -50), Servicio("M3", "WEEX", "TAE", 1e300)})
        << QStringLiteral("M1|Saldo Local|TAE|100||100Sal\nM2|Saldo Local|TAE|-50||-50Sal\n"
                          "M3|WEEX|TAE|1e+300||1e+300WEEX\n-50Sal|Saldo Local\n100Sal|Saldo "
                          "Local\n1e+300WEEX|WEEX");
    QTest::newRow("fuera del plano basico")
        << cuerpo({Servicio("U1", "Recarga 1😀 total", "SERVICIOS", 0, "🚀")})
        << QStringLiteral("U1|Recarga 1😀 total|SERVICIOS|0|🚀|Recarga 1\nRecarga 1|Recarga 1😀 "
                          "total");
    QTest::newRow("claves repetidas")
        << cuerpo({Servicio("D1", "Saldo Local", "TAE", 20), Servicio("D1", "AT&T", "TAE", 20)})
        << QStringLiteral("D1|AT&T|TAE|20||20ATT\nD1|Saldo Local|TAE|20||20ATT\n20ATT|AT&T\n"
                          "20Sal|Saldo Local");
    QTest::newRow("sustituto suelto")
        << QByteArrayLiteral("{\"code\":200,\"result\":[{\"PRODUCTO\":\"U\",\"DESCRIPCION\":"
                             "\"Recarga \\ud83d\",\"GRUPO\":\"TAE\",\"MONTO\":1,"
                             "\"OBSERVACION\":\"\"}]}")
        << QString();
    QTest::newRow("caracter nulo")
        << QByteArrayLiteral("{\"code\":200,\"result\":[{\"PRODUCTO\":\"U\",\"DESCRIPCION\":"
                             "\"Gas\",\"GRUPO\":\"S\",\"MONTO\":1,\"OBSERVACION\":\"a\\u0000b\"}]}")
        << QString();
    QTest::newRow("descripcion vacia fuera de tae")
        << cuerpo({Servicio("E1", "", "SERVICIOS", 0)}) << QString();
    QTest::newRow("monto ausente") << cuerpo({QJsonObject{{"PRODUCTO", "A"}}}) << QString();
    QTest::newRow("monto desbordado")
        << cuerpo({Servicio("A", "WEEX", "TAE", "1e999")}) << QString();
    QTest::newRow("monto logico") << cuerpo({Servicio("A", "WEEX", "TAE", true)}) << QString();
    QTest::newRow("resultado no es lista")
        << QByteArrayLiteral("{\"code\":200,\"result\":\"todo\"}") << QString();
    QTest::newRow("sin codigo") << QByteArrayLiteral("{\"result\":[]}") << QString();
    QTest::newRow("elemento no es objeto")
        << QByteArrayLiteral("{\"code\":\"200\",\"result\":[1,2]}") << QString();
}

void TstHostil::datosHostiles() {
    QFETCH(QByteArray, respuesta);
    QFETCH(QString, esperado);
    simulador::Configuracion configuracion;
    configuracion.basura = respuesta;
    simulador::SimuladorPasarela simulador(configuracion);
    QVERIFY(simulador.Inicia() != 0);
    prueba::BaseTemporal base;
    base.AgregaCuenta(simulador.URL(), QStringLiteral("t"), QStringLiteral("p"));
    base.AgregaProducto(QStringLiteral("VIEJO"), QStringLiteral("Viejo"));
    base.AgregaServicio(QStringLiteral("V"), QStringLiteral("Viejo"), QStringLiteral("TAE"), 1,
                        QString(), QStringLiteral("VIEJO"));
    const QString antes = Estado(base);
    Pantalla().Show();
    base.Mensajes().Limpia();
    Pantalla().Controles->Boton(1)->click();
    QVERIFY(!base.Cnn().EnTransaccion());
    if (esperado.isEmpty()) {
        // Refused: a critical message and the old catalogue as it was.
        QCOMPARE(Estado(base), antes);
        QVERIFY(base.Mensajes().Cuenta() >= 2);
        QCOMPARE(base.Mensajes().Ultimo().estilo, 16);
        QVERIFY(!base.Mensajes().Ultimo().texto.isEmpty() ||
                base.Mensajes().En(1).titulo == QStringLiteral("AddProducto()"));
    } else {
        QCOMPARE(base.Mensajes().Cuenta(), 1); // only the question
        QCOMPARE(Estado(base), esperado + QStringLiteral("\nVIEJO|Viejo"));
    }
    QCOMPARE(base.Entero(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = "
                                        "'Producto'")),
             1);
}

void TstHostil::cienMilFilas() {
#ifdef KD562_SANITIZE
    const int filas = 20000; // the sanitizers slow every statement down several times
#else
    const int filas = 100000;
#endif
    QJsonArray catalogo;
    for (int i = 0; i < filas; ++i)
        catalogo.append(Servicio(QStringLiteral("K%1").arg(i), "Saldo Local", "TAE", i,
                                 QString(100, QLatin1Char('x'))));
    // Plus a megabyte of description on one row.
    catalogo.append(Servicio("GRANDE", QString(1 << 20, QLatin1Char('d')), "SERVICIOS", 0));
    simulador::Configuracion configuracion;
    configuracion.catalogo = catalogo;
    simulador::SimuladorPasarela simulador(configuracion);
    QVERIFY(simulador.Inicia() != 0);
    prueba::BaseTemporal base;
    base.AgregaCuenta(simulador.URL(), QStringLiteral("t"), QStringLiteral("p"));
    Pantalla().Show();
    Pantalla().Controles->Boton(1)->click();
    QCOMPARE(base.Mensajes().Cuenta(), 0);
    QCOMPARE(base.Entero(QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Producto WHERE "
                                        "Pr_Cve_Producto <> ''")),
             filas + 1);
    QCOMPARE(base.Entero(QStringLiteral("SELECT length(Psp_Descripcion) FROM "
                                        "Pos_Servicio_Producto WHERE Psp_Cve_Producto = 'GRANDE'")),
             1 << 20);
    QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: %1").arg(filas + 1));
}

QTEST_MAIN(TstHostil)
#include "tst_hostil.moc"
