// The main screen: the list it loads, then "Configurar servicios": the question, what a
// download stores and what leaves the tables exactly as they were.
#include "PantallaDePrueba.h"

#include "data/Historial.h"
#include "runtime/MensajesVentana.h"

#include <QApplication>
#include <QJsonDocument>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace corvanta;
using prueba::Servicio;
using simulador::Configuracion;

Q_DECLARE_METATYPE(Configuracion)

namespace {

Configuracion Catalogo(const QJsonArray& mas = {}, const QByteArray& cuerpo = {}) {
    QJsonArray catalogo = {Servicio("ASL100", "Paquete Amigo Sin Limite", "TAE", 100),
                           Servicio("TEL200", "TELEVIA", "TAE", 200, "Error: tag bloqueado"),
                           Servicio("LUZ", "Pago de luz domestica", "SERVICIOS", 0, "Sin comision"),
                           Servicio("FLA050", "Flash Mobile", "TAE", "50")};
    for (const QJsonValue& s : mas)
        catalogo.append(s);
    Configuracion c = prueba::ConCatalogo(catalogo);
    c.basura = cuerpo;
    return c;
}

} // namespace

class TstDescarga : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { KD562_SALTA_SIN_SERVIDOR(); }

    // Only services of type 01 tied to an existing product, in order; of two accounts the
    // first counts; F5, with or without Shift, loads again and duplicates nothing.
    void lista() {
        prueba::PantallaDePrueba t;
        t.AgregaCuenta("http://segunda", "dos", "b");
        QStringList servicios;
        for (int i = 1; i <= 12; ++i) {
            servicios.append(QStringLiteral("S%1").arg(i, 2, 10, QChar('0')));
            t.AgregaProducto(QStringLiteral("P%1").arg(i), QStringLiteral("Producto %1").arg(i));
            t.AgregaServicio(QStringLiteral("S%1").arg(13 - i, 2, 10, QChar('0')), "Servicio",
                             "TAE", i, "", QStringLiteral("P%1").arg(i));
        }
        t.AgregaServicio("X01", "Otro tipo", "TAE", 5, "", "P1", "02");
        t.AgregaServicio("X02", "Sin producto", "TAE", 5, "", "");
        t.AgregaServicio("X03", "Producto ausente", "TAE", 5, "", "NOEXISTE");
        t.Muestra();
        for (const auto modificador : {Qt::ShiftModifier, Qt::NoModifier}) {
            // A row stored since the last load shows only if F5 reads the table again.
            servicios.append(QStringLiteral("S%1").arg(servicios.size() + 1));
            t.AgregaServicio(servicios.last(), "Servicio", "TAE", 1, "", "P1");
            QTest::keyRelease(t.Pantalla().lvRegistros, Qt::Key_F5, modificador);
            QCOMPARE(t.Lista(), servicios);
            QCOMPARE(t.Lista(4).last() + "|" + t.Lista(5).last(), "P1|Producto 1");
            QCOMPARE(t.Total(), QStringLiteral("Total: %1").arg(servicios.size()));
            QCOMPARE(t.Pantalla().txtUsuario->Text(), "tienda01");
            QCOMPARE(t.Pantalla().sUrlWs, t.Simulador().URL());
        }
        QCOMPARE(t.Mensajes().Cuenta(), 0);
    }

    // No account, or a user that fails after the URL was read: one message, an empty screen.
    void cargaFalla() {
        for (const QStringList& caso :
             {QStringList{"DELETE FROM Pos_Servicio_Configuracion", "anterior",
                          "48|Corvanta||KD562|CargaDatos()\r\nNo se encontró configuración para "
                          "mostrar"},
              {"UPDATE Pos_Servicio_Configuracion SET Psc_URL = 'http://x', Psc_Usuario = NULL",
               "http://x",
               "16|Corvanta|ERR-ID:7500015|KD562|CargaDatos()\r\nUso no válido de Null"}}) {
            prueba::PantallaDePrueba t;
            t.Ejecuta(caso[0]);
            t.Pantalla().sUrlWs = "anterior";
            t.Pantalla().Load();
            QCOMPARE(t.Mensajes().Cuenta(), 1);
            QCOMPARE(prueba::Firma(t.Mensajes().Ultimo()) + "|" + t.Mensajes().Ultimo().texto,
                     caso[2]);
            QCOMPARE(t.Mensajes().Ultimo().propietario.data(), t.Pantalla().Ventana());
            QCOMPARE(t.Pantalla().sUrlWs, caso[1]);
            QCOMPARE(t.Pantalla().lvRegistros->ColumnCount(), 0);
            QCOMPARE(t.Total() + t.Pantalla().txtUsuario->Text(), "");
        }
    }

    // With no services stored nothing is asked; what is stored, row by row: services (key,
    // amount, product), then products (key, description, who created it). A stored product is
    // updated, keeping who created it; a key that differs only in case is another product;
    // service keys are text ("007" is not "7").
    void guarda() {
        prueba::PantallaDePrueba t(Catalogo(
            {Servicio("007", "Saldo Local", "TAE", 20), Servicio("7", "WEEX", "TAE", 20)}));
        t.AgregaCuenta("http://127.0.0.1:1/ws", "dos", "b"); // only the first account counts
        t.Ejecuta("INSERT INTO Producto (Pr_Cve_Producto, Pr_Descripcion, Pr_Codigo1, Pr_Codigo2, "
                  "Oper_Alta) VALUES ('100ASL', 'x', '99', 'SR', 'ANT'), ('200tele', 'x', NULL, "
                  "NULL, 'ANT')");
        t.Muestra();
        t.Pantalla().sUrlWs = "   "; // blanks loaded on the screen: the stored URL counts
        t.Descarga();
        // Only the change to a stored product is asked about, with its counts.
        QCOMPARE(t.Mensajes().Cuenta(), 1);
        QCOMPARE(prueba::Firma(t.Mensajes().Ultimo()), "36|Guardar la descarga?||KD562");
        QVERIFY(t.Mensajes().Ultimo().texto.contains("Productos: 5 nuevos, 1 cambiados"));
        QCOMPARE(QJsonDocument::fromJson(t.Simulador().UltimaPeticion())["usuario"], "tienda01");
        QCOMPARE(t.Filas({"Pos_Servicio_Producto(Psp_Cve_Producto, Psp_Monto, Pr_Cve_Producto)",
                          "Producto(Pr_Cve_Producto, Pr_Descripcion, Oper_Alta)"}),
                 QString("007|20|20Sal\n7|20|20WEEX\nASL100|100|100ASL\nFLA050|50|50FLMB\nLUZ|0|"
                         "Pago de lu\nTEL200|200|200TELE\n100ASL|Paquete Amigo Sin Limite|ANT\n"
                         "200TELE|TELEVIA|OPER01\n200tele|x|ANT\n20Sal|Saldo Local|OPER01\n20WEEX|"
                         "WEEX|OPER01\n50FLMB|Flash Mobile|OPER01\nPago de lu|Pago de luz "
                         "domestica|OPER01")
                     .split('\n'));
        QCOMPARE(t.Total(), "Total: 6");

        // The same catalogue again changes nothing, and the summary says so.
        const QStringList guardadas = t.Filas();
        t.Descarga();
        QCOMPARE(t.Resumen(), (QStringList{"Servicios: 0 nuevos, 0 retirados, 0 cambiados, 6 sin "
                                           "cambio",
                                           "Productos: 0 nuevos, 0 cambiados, 6 sin cambio"}));
        QCOMPARE(t.Filas(), guardadas);
    }

    // Over an earlier download: one message (after the question when asked), no change.
    void noGuarda_data() {
        QTest::addColumn<Configuracion>("configuracion");
        QTest::addColumn<QString>("antes");   // SQL before the screen loads
        QTest::addColumn<QString>("despues"); // and after
        QTest::addColumn<QString>("texto");   // the last message starts so
        QTest::addColumn<QString>("firma");
        QTest::addColumn<int>("peticiones"); // that reach the gateway
        auto fila = [](const char* nombre, const Configuracion& c, const QString& texto,
                       const QString& firma, const char* antes = "", const char* despues = "",
                       int peticiones = 1) {
            QTest::newRow(nombre) << c << antes << despues << texto << firma << peticiones;
        };
        const QString lectura = "16|Controles_B1Click()|ERR-ID:7500002|KD562";
        const QString pasarela = "16|Controles_B1Click()||KD562", corvanta = "16|Corvanta||KD562";
        const char* borra = "DELETE FROM Pos_Servicio_Configuracion";
        // No request reaches the gateway.
        fila("sin cuenta", Catalogo(), "No se encontró información de credenciales configuradas",
             "48|Controles_B1Click()||", borra, "", 0);
        fila("cuenta borrada tras cargar", Catalogo(),
             "No se encontró configuración previa de servicios", pasarela, "", borra, 0);
        fila("password nulo", Catalogo(), "Uso no válido de Null", "16|IniciaServicios()||",
             "UPDATE Pos_Servicio_Configuracion SET Psc_Password = NULL", "", 0);
        fila("respuesta no", Catalogo(),
             "Se han registrado servicios previamente\r\nDesea generar una nueva configuración?"
             "\r\n\r\nEste cambio borrara la configuración anterior!",
             "36|Generar nueva configuración?||KD562", "", "", 0);
        // The gateway answers, and something in the reply is refused.
        Configuracion c = Catalogo();
        c.codigo = "401";
        fila("codigo 401", c, "Usuario o contraseña incorrectos", pasarela);
        fila("resultado vacio", prueba::ConCatalogo({}),
             "No se encontró información de servicios configurados", corvanta);
        fila("monto nulo", Catalogo({Servicio("M", "Saldo Local", "TAE", QJsonValue())}),
             "Uso no válido de Null", lectura);
        // The shop's own product happens to sit under a key that a service derives.
        fila("producto de la tienda",
             prueba::ConCatalogo({Servicio("B", "Saldo Local", "TAE", 20)}),
             "AddProducto()20Sal - Saldo Local\r\n: \r\nLa clave 20Sal ya es del producto \"Sal de "
             "mesa 1 kg\" de la tienda, que no viene de la pasarela; no se guardó ningún cambio",
             corvanta,
             "INSERT INTO Producto (Pr_Cve_Producto, Pr_Descripcion, Pr_Codigo1) VALUES ('20Sal', "
             "'Sal de mesa 1 kg', '99')");
        fila("sustituto suelto",
             Catalogo({}, R"({"code":200,"result":[{"PRODUCTO":"U","DESCRIPCION":"Recarga \ud83d",)"
                          R"("GRUPO":"TAE","MONTO":1,"OBSERVACION":""}]})"),
             "El campo DESCRIPCION de un servicio de la respuesta trae un carácter no válido",
             lectura);
        // The mapping's own trap: its report comes once the transaction is rolled back.
        fila("productos ilegibles", Catalogo(), "", "16|AddProducto()||KD562", "",
             "ALTER TABLE Producto RENAME COLUMN Pr_Impuesto TO Pr_Otro");
        fila("elemento no es objeto", Catalogo({}, R"({"code":"200","result":[1,2]})"),
             "No se puede leer el miembro «PRODUCTO» de la respuesta del servicio: el elemento es "
             "un número, no un objeto.",
             lectura);
    }
    void noGuarda() {
        QFETCH(Configuracion, configuracion);
        QFETCH(QString, antes);
        QFETCH(QString, despues);
        QFETCH(QString, texto);
        QFETCH(QString, firma);
        QFETCH(int, peticiones);
        prueba::PantallaDePrueba t(configuracion);
        t.CatalogoViejo();
        if (!antes.isEmpty())
            t.Ejecuta(antes);
        const QStringList filas = t.Filas();
        t.Muestra();
        if (!despues.isEmpty())
            t.Ejecuta(despues);
        if (firma.startsWith("36"))
            t.Mensajes().Responde(RespuestaNo);
        // No message waits for the user with the transaction open.
        bool abierta = false;
        std::function<void(const Mensaje&)> revisa = [&](const Mensaje&) {
            abierta = abierta || t.Cnn().EnTransaccion();
            t.Mensajes().AlMostrar(revisa);
        };
        t.Mensajes().AlMostrar(revisa);
        t.Descarga();
        QVERIFY(!abierta);
        QCOMPARE(t.Mensajes().Cuenta(), firma.startsWith("16") ? 2 : 1);
        QCOMPARE(prueba::Firma(t.Mensajes().Ultimo()), firma);
        QVERIFY2(t.Mensajes().Ultimo().texto.startsWith(texto),
                 qPrintable(t.Mensajes().Ultimo().texto));
        QVERIFY(!t.Mensajes().Ultimo().texto.contains("s3creta"));
        QVERIFY(t.Intacta(filas));
        QCOMPARE(t.Simulador().Peticiones(), peticiones);
        if (!firma.startsWith("48")) // emptied at the question, the stored list is shown again
            QCOMPARE(t.Total(), "Total: 2");
    }

    // A gateway that answers one of the four stored services, in real message boxes and by
    // keys only: Enter takes the first question's Yes and the second's No, its default here.
    // Nothing is saved, the list shows the stored rows, and the discarded download is no
    // failure for the history.
    void retiroMasivoConEnter() {
        prueba::PantallaDePrueba t({Servicio("V1", "Viejo", "SERVICIOS", 10)});
        t.CatalogoViejo(4);
        t.Muestra();
        const QStringList antes = t.Filas();
        Sesion::Configura(t.Url(), "OPER01", std::make_shared<MensajesVentana>());
        QStringList preguntas;
        QTimer enter;
        QObject::connect(&enter, &QTimer::timeout, [&] {
            if (auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                preguntas.append(caja->text());
                QTest::keyClick(caja, Qt::Key_Return);
            }
        });
        enter.start(20);
        QTest::mouseClick(t.Pantalla().Controles->Boton(1), Qt::LeftButton);
        enter.stop();
        QCOMPARE(preguntas.size(), 2);
        QCOMPARE(preguntas[1], "La descarga retiraría 3 de los 4 servicios guardados, más de la "
                               "mitad!\r\n\r\nServicios: 0 nuevos, 3 retirados, 0 cambiados, 1 sin "
                               "cambio\r\nProductos: 0 nuevos, 1 cambiados, 0 sin cambio\r\n\r\n"
                               "Desea guardar estos cambios?");
        QCOMPARE(t.Filas(), antes);
        QCOMPARE(t.Total(), "Total: 4");
        QCOMPARE(kd562::LeeHistorial(t.Cnn(), 1).front().resultado, kd562::Resultado::Descartada);
        QVERIFY(!kd562::IntentoPosterior(t.Cnn(), 0));
    }

    // Another terminal writes while the second question waits: no lock is held then. The
    // save reads again only when something was committed since the plan, and writes nothing
    // when the catalogue is no longer as planned; a change elsewhere does not stop it.
    void cambiaMientrasPregunta_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("guarda");
        QTest::newRow("el catálogo")
            << "UPDATE Pos_Servicio_Producto SET Psp_Observacion = 'a mano'" << false;
        QTest::newRow("otra tabla")
            << "UPDATE Pos_Servicio_Configuracion SET Oper_Alta = 'X'" << true;
    }
    void cambiaMientrasPregunta() {
        QFETCH(QString, sql);
        QFETCH(bool, guarda);
        prueba::PantallaDePrueba t(
            {Servicio("V1", "Viejo", "SERVICIOS", 10), Servicio("N", "Nuevo", "SERVICIOS", 5)});
        t.CatalogoViejo(2);
        t.Muestra();
        const auto otra = t.OtraConexion();
        t.Mensajes().AlMostrar([&](const Mensaje&) {
            t.Mensajes().AlMostrar([&](const Mensaje&) { otra->Execute(sql); });
        });
        t.Descarga();
        QCOMPARE(t.Total(), "Total: 2");
        QCOMPARE(t.Filas({"Pos_Servicio_Producto(Psp_Cve_Producto, Psp_Observacion)"}),
                 guarda ? QStringList({"N|", "V1|"}) : QStringList({"V1|a mano", "V2|a mano"}));
        if (guarda)
            return;
        QCOMPARE(t.Mensajes().Cuenta(), 3);
        QCOMPARE(prueba::Firma(t.Mensajes().Ultimo()), "48|Controles_B1Click()||KD562");
        const auto intento = kd562::IntentoPosterior(t.Cnn(), 0);
        QVERIFY(intento && intento->mensaje == t.Mensajes().Ultimo().texto);
        QVERIFY(t.Pantalla().bFallaTransitoria);
    }
};

QTEST_MAIN(TstDescarga)
#include "tst_descarga.moc"
