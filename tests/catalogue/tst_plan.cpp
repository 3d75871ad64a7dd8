#include "BaseTemporal.h"
#include "DescargaFilaPorFila.h"
#include "SimuladorPasarela.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QToolButton>
#include <QtTest>

using namespace corvanta;
using kd562::frmKD562;
using simulador::SimuladorPasarela;

namespace {

frmKD562& Pantalla() {
    return frmKD562::Instancia();
}

// A host that keeps what the screen reports after a download.
class Anfitrion : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void MuestraResumen(const QStringList& lineas) { resumen = lineas; }
    QStringList resumen;
};

QJsonObject Servicio(const QString& clave, const QString& descripcion, const QString& grupo,
                     const QJsonValue& monto, const QJsonValue& observacion = QString()) {
    return {{"PRODUCTO", clave},
            {"DESCRIPCION", descripcion},
            {"GRUPO", grupo},
            {"MONTO", monto},
            {"OBSERVACION", observacion}};
}

// A catalogue with repeated service keys and key-and-amount pairs, carriers that share a
// product key, quotes, nulls and amounts as text.
QJsonArray Genera(quint32 semilla, int n, bool conRechazo) {
    static const char* const descripciones[] = {"Televia",
                                                "TELEVIA",
                                                " Televia",
                                                "AT&T",
                                                "Weex",
                                                "Flash Mobile",
                                                "Saldo Local",
                                                "Saldo Nacional",
                                                "Pago de luz domestica",
                                                "Pago de luz comercial",
                                                "O'Higgins recarga",
                                                "Agua potable",
                                                "Paquete Amigo Sin Limite"};
    static const char* const grupos[] = {"TAE", "TAE", "TAE", "SERVICIOS", "tae"};
    const QJsonValue montos[] = {
        10, 20, 20.5, 100, 12.25, QStringLiteral("50"), QStringLiteral("7.5")};
    const QJsonValue observaciones[] = {QString(), QStringLiteral("it's"),
                                        QStringLiteral("Error: suspendido"),
                                        QJsonValue(QJsonValue::Null)};
    QRandomGenerator azar(semilla);
    QJsonArray catalogo;
    for (int i = 0; i < n; ++i) {
        const int clave = static_cast<int>(azar.bounded(n / 3 + 1));
        catalogo.append(Servicio(QString::fromLatin1(clave % 7 ? "S%1" : "S'%1").arg(clave),
                                 QString::fromUtf8(descripciones[azar.bounded(13)]),
                                 QString::fromUtf8(grupos[azar.bounded(5)]),
                                 montos[azar.bounded(7)], observaciones[azar.bounded(4)]));
    }
    if (conRechazo) {
        QJsonObject sinDescripcion = catalogo.at(n / 2).toObject();
        sinDescripcion.insert("DESCRIPCION", QString());
        catalogo[n / 2] = sinDescripcion;
    }
    return catalogo;
}

// A shop that downloaded before: two of its service products and one product of its own.
void PreparaTienda(prueba::BaseTemporal& base) {
    base.Ejecuta(QStringLiteral("INSERT INTO Producto (Pr_Cve_Producto, Pr_Descripcion, "
                                "Pr_Codigo1, Pr_Codigo2, Pr_Precio, Pr_Unidad) VALUES ('20Sal', "
                                "'Saldo viejo', '99', 'SR', 20, 'SERVICIO'), ('100ASL', 'Amigo', "
                                "'99', 'SR', 100, NULL), ('REF600', 'Refresco', NULL, NULL, 18, "
                                "'PIEZA')"));
    base.AgregaServicio(QStringLiteral("S1"), QStringLiteral("Saldo viejo"), QStringLiteral("TAE"),
                        20, QString(), QStringLiteral("20Sal"));
    base.AgregaServicio(QStringLiteral("V9"), QStringLiteral("Retirado"), QStringLiteral("TAE"), 5,
                        QStringLiteral("x"), QStringLiteral("REF600"));
}

// Every column but the server's dates, every row, NULL told apart from empty text.
QString Tablas(prueba::BaseTemporal& base) {
    QStringList filas;
    for (const QString& sql :
         {QStringLiteral("SELECT Psp_Cve_Producto, Psp_Descripcion, Psp_Tipo, Psp_Grupo, "
                         "Psp_Monto, Psp_Observacion, Pr_Cve_Producto, Oper_Alta, "
                         "Oper_Ult_Modif FROM Pos_Servicio_Producto"),
          QStringLiteral("SELECT Pr_Cve_Producto, Pr_Clave_Corta, Pr_Texto1, Pr_Descripcion, "
                         "Pr_Descripcion_Corta, Pr_Codigo1, Pr_Codigo2, Pr_Precio, Pr_Valor1, "
                         "Pr_Valor2, Pr_Valor3, Pr_Valor4, Pr_Grupo, Pr_Unidad, Pr_Impuesto, "
                         "Oper_Alta, Oper_Ult_Modif FROM Producto")}) {
        QStringList tabla;
        for (Recordset rs = base.Cnn().Execute(sql); !rs.Eof(); rs.MoveNext()) {
            QStringList celdas;
            for (int c = 0; c < rs.FieldCount(); ++c) {
                const QVariant& v = rs.Fields(c);
                celdas.append(v.isNull() ? QStringLiteral("NULL")
                              : v.typeId() == QMetaType::Double
                                  ? QString::number(v.toDouble(), 'g', 17)
                                  : QLatin1Char('"') + v.toString() + QLatin1Char('"'));
            }
            tabla.append(celdas.join(QLatin1Char('|')));
        }
        tabla.sort();
        filas += tabla;
    }
    return filas.join(QLatin1Char('\n'));
}

void Descarga() {
    Pantalla().Controles->Boton(1)->click();
}

} // namespace

class TstPlan : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        KD562_SALTA_SIN_SERVIDOR();
        kd562::Main();
    }
    void cleanup();
    void igualQueFilaPorFila_data();
    void igualQueFilaPorFila();
    void resumen();
    void retiroMasivo_data();
    void retiroMasivo();
    void productoDeLaTienda();
};

void TstPlan::cleanup() {
    Pantalla().Unload();
    Pantalla().setProperty("Simulacion", false);
    Pantalla().setProperty("LimitaRetiros", false);
    Pantalla().setPadre(nullptr);
    QLocale::setDefault(QLocale::c());
}

void TstPlan::igualQueFilaPorFila_data() {
    QTest::addColumn<quint32>("semilla");
    QTest::addColumn<int>("servicios");
    QTest::addColumn<bool>("coma");
    QTest::addColumn<bool>("rechazo");
    QTest::newRow("punto") << 1u << 300 << false << false;
    QTest::newRow("coma") << 2u << 300 << true << false;
    QTest::newRow("pocas claves") << 3u << 40 << false << false;
    QTest::newRow("rechazo a la mitad") << 4u << 120 << true << true;
}

void TstPlan::igualQueFilaPorFila() {
    QFETCH(quint32, semilla);
    QFETCH(int, servicios);
    QFETCH(bool, coma);
    QFETCH(bool, rechazo);
    if (coma)
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QJsonArray catalogo = Genera(semilla, servicios, rechazo);

    QString planeado, mensajePlaneado;
    {
        simulador::Configuracion c;
        c.catalogo = catalogo;
        SimuladorPasarela simulador(c);
        QVERIFY(simulador.Inicia() != 0);
        prueba::BaseTemporal base;
        PreparaTienda(base);
        base.AgregaCuenta(simulador.URL(), QStringLiteral("t"), QStringLiteral("p"));
        Pantalla().Show();
        base.Mensajes().Limpia();
        Descarga();
        QVERIFY(base.Mensajes().Cuenta() >= 1); // the question
        if (base.Mensajes().Cuenta() > 1)
            mensajePlaneado = base.Mensajes().Ultimo().texto;
        planeado = Tablas(base);
        Pantalla().Unload();
    }
    prueba::BaseTemporal base;
    PreparaTienda(base);
    const QString antes = Tablas(base);
    const QString mensaje = prueba::DescargaFilaPorFila(
        Respuesta(QJsonObject{{"code", 200}, {"result", catalogo}}),
        QStringLiteral("2026-01-01T00:00:00"), QStringLiteral("OPER01"));
    QCOMPARE(mensajePlaneado, mensaje);
    QCOMPARE(planeado, Tablas(base));
    QCOMPARE(rechazo, planeado == antes);
}

void TstPlan::resumen() {
    const QJsonArray primero = {Servicio("A", "Saldo Local", "TAE", 10),
                                Servicio("B", "Saldo Local", "TAE", 20),
                                Servicio("C", "Saldo Local", "TAE", 30)};
    QJsonArray segundo = {
        Servicio("A", "Saldo Local", "TAE", 10), Servicio("B", "Saldo Local", "TAE", 20, "cambio"),
        Servicio("D", "Saldo Nacional", "TAE", 50), Servicio("E", "Saldo Local", "TAE", 50)};
    // Beyond twenty shared keys one line tells how many more.
    for (int i = 0; i < 22; ++i) {
        segundo.append(Servicio(QStringLiteral("L%1").arg(i),
                                QStringLiteral("Cobro %1 luz").arg(i, 4, 10, QChar('0')),
                                "SERVICIOS", 0));
        segundo.append(Servicio(QStringLiteral("M%1").arg(i),
                                QStringLiteral("Cobro %1 agua").arg(i, 4, 10, QChar('0')),
                                "SERVICIOS", 0));
    }
    simulador::Configuracion c;
    c.catalogo = primero;
    SimuladorPasarela simulador(c);
    QVERIFY(simulador.Inicia() != 0);
    prueba::BaseTemporal base;
    base.AgregaCuenta(simulador.URL(), QStringLiteral("t"), QStringLiteral("p"));
    Anfitrion anfitrion;
    Pantalla().setPadre(&anfitrion);
    Pantalla().Show();
    Descarga();
    QCOMPARE(anfitrion.resumen.mid(0, 2),
             QStringList({"Servicios: 3 nuevos, 0 retirados, 0 cambiados, 0 sin cambio",
                          "Productos: 3 nuevos, 0 cambiados, 0 sin cambio"}));
    simulador::Configuracion otra;
    otra.catalogo = segundo;
    SimuladorPasarela nuevo(otra);
    QVERIFY(nuevo.Inicia() != 0);
    base.Ejecuta(QStringLiteral("UPDATE Pos_Servicio_Configuracion SET Psc_URL = ?"),
                 {nuevo.URL()});
    Descarga();
    const QStringList& r = anfitrion.resumen;
    QCOMPARE(r.size(), 2 + 20 + 1);
    QCOMPARE(r.at(0),
             QStringLiteral("Servicios: 46 nuevos, 1 retirados, 1 cambiados, 1 sin cambio"));
    QCOMPARE(r.at(1), QStringLiteral("Productos: 23 nuevos, 0 cambiados, 2 sin cambio"));
    QCOMPARE(r.at(2), QStringLiteral("Clave compartida 50Sal: Saldo Nacional, Saldo Local"));
    QCOMPARE(r.at(3),
             QStringLiteral("Clave compartida Cobro 0000: Cobro 0000 luz, Cobro 0000 agua"));
    QCOMPARE(r.last(), QStringLiteral("… y 3 claves compartidas más"));
}

void TstPlan::retiroMasivo_data() {
    QTest::addColumn<bool>("limita");
    QTest::addColumn<bool>("simula");
    QTest::addColumn<bool>("escribe");
    QTest::newRow("desatendida se detiene") << true << false << false;
    QTest::newRow("permitida") << false << false << true;
    QTest::newRow("simulada") << true << true << false;
}

void TstPlan::retiroMasivo() {
    QFETCH(bool, limita);
    QFETCH(bool, simula);
    QFETCH(bool, escribe);
    // Two of the three stored pairs would go: more than half.
    simulador::Configuracion c;
    c.catalogo = {Servicio("A", "Saldo Local", "TAE", 10)};
    SimuladorPasarela simulador(c);
    QVERIFY(simulador.Inicia() != 0);
    prueba::BaseTemporal base;
    base.AgregaCuenta(simulador.URL(), QStringLiteral("t"), QStringLiteral("p"));
    for (const char* clave : {"A", "B", "C"})
        base.AgregaServicio(QString::fromLatin1(clave), QStringLiteral("Viejo"),
                            QStringLiteral("TAE"), 10, QString(), QStringLiteral("P"));
    base.AgregaProducto(QStringLiteral("P"), QStringLiteral("Viejo"));
    const QString antes = Tablas(base);
    Anfitrion anfitrion;
    Pantalla().setPadre(&anfitrion);
    Pantalla().setProperty("LimitaRetiros", limita);
    Pantalla().setProperty("Simulacion", simula);
    Pantalla().Show();
    base.Mensajes().Limpia();
    Descarga();
    QCOMPARE(Tablas(base) != antes, escribe);
    const QString linea =
        QStringLiteral("La descarga retiraría 2 de los 3 servicios guardados, más de la mitad; "
                       "no se guardó ningún cambio");
    if (limita && !simula) {
        // The question, then the refusal; the list shows the stored services again.
        QCOMPARE(base.Mensajes().Cuenta(), 2);
        QCOMPARE(base.Mensajes().Ultimo().texto, linea);
        QCOMPARE(base.Mensajes().Ultimo().estilo, 48);
        QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 3"));
        QVERIFY(anfitrion.resumen.isEmpty());
    } else if (simula) {
        // No question; the list as it would be; the guard's line among the summary.
        QCOMPARE(base.Mensajes().Cuenta(), 0);
        QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 1"));
        QCOMPARE(anfitrion.resumen.last(), linea);
        QVERIFY(!base.Cnn().EnTransaccion());
    } else {
        QCOMPARE(base.Mensajes().Cuenta(), 1);
        QCOMPARE(anfitrion.resumen.first(),
                 QStringLiteral("Servicios: 0 nuevos, 2 retirados, 1 cambiados, 0 sin cambio"));
    }
}

void TstPlan::productoDeLaTienda() {
    simulador::Configuracion c;
    c.catalogo = {Servicio("A", "Weex", "TAE", 100), Servicio("B", "Saldo Local", "TAE", 20)};
    SimuladorPasarela simulador(c);
    QVERIFY(simulador.Inicia() != 0);
    prueba::BaseTemporal base;
    base.AgregaCuenta(simulador.URL(), QStringLiteral("t"), QStringLiteral("p"));
    base.AgregaServicio(QStringLiteral("V"), QStringLiteral("Viejo"), QStringLiteral("TAE"), 1,
                        QString(), QStringLiteral("20Sal"));
    // The shop's own product happens to sit under a key that a service derives.
    base.Ejecuta(QStringLiteral("INSERT INTO Producto (Pr_Cve_Producto, Pr_Descripcion, "
                                "Pr_Descripcion_Corta, Pr_Codigo1, Pr_Codigo2) VALUES ('20Sal', "
                                "'Sal de mesa 1 kg', 'Sal de mesa', '99', NULL)"));
    const QString antes = Tablas(base);
    Pantalla().Show();
    base.Mensajes().Limpia();
    Descarga();
    QCOMPARE(Tablas(base), antes);
    QCOMPARE(base.Mensajes().Cuenta(), 2);
    const Mensaje& aviso = base.Mensajes().Ultimo();
    QVERIFY2(aviso.texto.contains(QStringLiteral("20Sal")) &&
                 aviso.texto.contains(QStringLiteral("Sal de mesa 1 kg")),
             qPrintable(aviso.texto));
    QCOMPARE(aviso.titulo, QStringLiteral("Corvanta"));
    QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 1"));
}

QTEST_MAIN(TstPlan)
#include "tst_plan.moc"
