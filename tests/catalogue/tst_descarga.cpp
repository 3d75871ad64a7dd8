#include "BaseTemporal.h"
#include "SimuladorPasarela.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "forms/PunteroRaton.h"
#include "runtime/Cifrado.h"
#include "runtime/Error.h"
#include "runtime/Valores.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QToolButton>
#include <QtTest>

using namespace corvanta;
using kd562::frmKD562;
using simulador::Configuracion;
using simulador::SimuladorPasarela;

namespace {

frmKD562& Pantalla() {
    return frmKD562::Instancia();
}

QJsonObject Servicio(const QString& clave, const QString& descripcion, const QString& grupo,
                     const QJsonValue& monto, const QJsonValue& observacion = QString()) {
    return {{"PRODUCTO", clave},
            {"DESCRIPCION", descripcion},
            {"GRUPO", grupo},
            {"MONTO", monto},
            {"OBSERVACION", observacion}};
}

QJsonArray CatalogoBasico() {
    return {Servicio("ASL100", "Paquete Amigo Sin Limite", "TAE", 100),
            Servicio("TEL200", "TELEVIA", "TAE", 200, "Error: tag bloqueado"),
            Servicio("LUZ", "Pago de luz domestica", "SERVICIOS", 0, "Sin comision"),
            Servicio("FLA050", "Flash Mobile", "TAE", "50")};
}

// A shop with an account pointing at the simulator and an old catalogue of two services.
struct Tienda {
    prueba::BaseTemporal base;
    SimuladorPasarela simulador;
    explicit Tienda(Configuracion configuracion, bool catalogoViejo = true)
        : simulador(std::move(configuracion)) {
        QVERIFY(simulador.Inicia() != 0);
        base.AgregaCuenta(simulador.URL(), QStringLiteral("tienda01"), QStringLiteral("s3creta"));
        if (catalogoViejo) {
            base.AgregaProducto(QStringLiteral("VIEJO1"), QStringLiteral("Viejo uno"));
            base.AgregaServicio(QStringLiteral("V1"), QStringLiteral("Viejo uno"),
                                QStringLiteral("TAE"), 10, QString(), QStringLiteral("VIEJO1"));
            base.AgregaServicio(QStringLiteral("V2"), QStringLiteral("Viejo dos"),
                                QStringLiteral("TAE"), 20, QString(), QStringLiteral("VIEJO1"));
        }
    }
    QString Tablas() {
        QStringList filas;
        Recordset rs = base.Cnn().Execute(QStringLiteral(
            "SELECT Psp_Cve_Producto || '|' || Psp_Descripcion || '|' || Psp_Monto || '|' || "
            "Pr_Cve_Producto FROM Pos_Servicio_Producto ORDER BY 1"));
        for (; !rs.Eof(); rs.MoveNext())
            filas.append(rs.Fields(0).toString());
        Recordset productos = base.Cnn().Execute(QStringLiteral(
            "SELECT Pr_Cve_Producto || '|' || COALESCE(Pr_Descripcion, '') FROM Producto ORDER "
            "BY 1"));
        for (; !productos.Eof(); productos.MoveNext())
            filas.append(productos.Fields(0).toString());
        return filas.join(QLatin1Char('\n'));
    }
};

Configuracion ConCatalogo(const QJsonArray& catalogo) {
    Configuracion c;
    c.catalogo = catalogo;
    return c;
}

void Descarga() {
    Pantalla().Controles->Boton(1)->click();
}

QString Columna(const QString& tabla, const QString& columna, const QString& clave,
                prueba::BaseTemporal& base) {
    return base
        .Valor(QStringLiteral("SELECT %1 FROM %2 WHERE Psp_Cve_Producto = ?").arg(columna, tabla),
               {clave})
        .toString();
}

} // namespace

class TstDescarga : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        KD562_SALTA_SIN_SERVIDOR();
        kd562::Main();
    }
    void cleanup();
    // Client set-up
    void iniciaSinCuenta();
    void iniciaPrimeraFila();
    void iniciaConNulo_data();
    void iniciaConNulo();
    void iniciaPasswordVacio();
    void iniciaReemplazaCliente();
    // Download
    void sinUrlSoloAvisa();
    void urlEnBlancoCuenta();
    void tablaVaciaNoPregunta();
    void respuestaNoDejaTodo();
    void fallaPasarelaConservaTabla_data();
    void fallaPasarelaConservaTabla();
    void codigoAceptado_data();
    void codigoAceptado();
    void resultadoVacioRevierte();
    void montoInvalidoRevierte_data();
    void montoInvalidoRevierte();
    void rechazoEnTerceraFila();
    void productoExistenteSeActualiza();
    void mismaClaveEnDosFilas();
    void clavesDeServicioComoTexto();
    void comillasLiterales();
    void separadorComa();
    void relojSoloDuranteReescritura();
    void falloReportadoUnaVez();
    void cuentaBorradaTrasCargar();
};

void TstDescarga::cleanup() {
    Pantalla().Unload();
    Pantalla().sUrlWs.clear();
    Pantalla().sMensaje.clear();
    Pantalla().oCliente.reset();
    Pantalla().oParametros.reset();
    QLocale::setDefault(QLocale::c());
}

void TstDescarga::iniciaSinCuenta() {
    prueba::BaseTemporal base;
    Pantalla().oCliente = std::make_unique<ClienteServicio>();
    ClienteServicio* anterior = Pantalla().oCliente.get();
    QVERIFY(!Pantalla().IniciaServicios());
    QCOMPARE(Pantalla().sMensaje,
             QStringLiteral("No se encontró configuración previa de servicios"));
    QCOMPARE(base.Mensajes().Cuenta(), 0);
    QCOMPARE(Pantalla().oCliente.get(), anterior);
    QVERIFY(!Pantalla().oParametros);
}

void TstDescarga::iniciaPrimeraFila() {
    prueba::BaseTemporal base;
    base.AgregaCuenta(QStringLiteral("http://127.0.0.1:1/primera"), QStringLiteral("uno"),
                      QStringLiteral("a"));
    base.AgregaCuenta(QStringLiteral("http://127.0.0.1:1/segunda"), QStringLiteral("dos"),
                      QStringLiteral("b"));
    Pantalla().sMensaje = QStringLiteral("mensaje anterior");
    QVERIFY(Pantalla().IniciaServicios());
    QCOMPARE(Pantalla().oCliente->URL(), QStringLiteral("http://127.0.0.1:1/primera"));
    QCOMPARE(Pantalla().oCliente->Usuario(), QStringLiteral("uno"));
    QCOMPARE(Pantalla().oCliente->Servicio(), QStringLiteral("wsServiceVorn"));
    QCOMPARE(Pantalla().oParametros->Tipo(), QStringLiteral("TAE"));
    QCOMPARE(Pantalla().sMensaje, QStringLiteral("mensaje anterior"));
    QCOMPARE(base.Mensajes().Cuenta(), 0);
}

void TstDescarga::iniciaConNulo_data() {
    QTest::addColumn<QString>("columna");
    QTest::newRow("url") << "Psc_URL";
    QTest::newRow("usuario") << "Psc_Usuario";
    QTest::newRow("password") << "Psc_Password";
}

void TstDescarga::iniciaConNulo() {
    QFETCH(QString, columna);
    prueba::BaseTemporal base;
    base.AgregaCuenta(QStringLiteral("http://127.0.0.1:1/ws"), QStringLiteral("uno"),
                      QStringLiteral("a"));
    base.Ejecuta(QStringLiteral("UPDATE Pos_Servicio_Configuracion SET %1 = NULL").arg(columna));
    Pantalla().Load();
    base.Mensajes().Limpia();
    Pantalla().sMensaje = QStringLiteral("anterior");
    QVERIFY(!Pantalla().IniciaServicios());
    QCOMPARE(base.Mensajes().Cuenta(), 1);
    const Mensaje& fallo = base.Mensajes().Ultimo();
    QCOMPARE(fallo.titulo, QStringLiteral("IniciaServicios()"));
    QCOMPARE(fallo.estilo, 16);
    QCOMPARE(fallo.modulo, QString());
    QCOMPARE(fallo.idError, QString());
    QVERIFY(!fallo.texto.isEmpty());
    QCOMPARE(Pantalla().sMensaje, QStringLiteral("anterior"));
}

void TstDescarga::iniciaPasswordVacio() {
    Configuracion c = ConCatalogo(CatalogoBasico());
    Tienda tienda(c, false);
    tienda.base.Ejecuta(QStringLiteral("UPDATE Pos_Servicio_Configuracion SET Psc_Password = ''"));
    QVERIFY(Pantalla().IniciaServicios());
    Respuesta respuesta;
    QVERIFY(Pantalla().oCliente->ConsultaProductos(*Pantalla().oParametros, respuesta));
    const QJsonObject peticion =
        QJsonDocument::fromJson(tienda.simulador.UltimaPeticion()).object();
    Cifrado cifrado;
    cifrado.setLlave(QStringLiteral("PaTiNoLuX"));
    QCOMPARE(peticion.value("password").toString(), cifrado.Transforma(QString()));
    QCOMPARE(peticion.value("usuario").toString(), QStringLiteral("tienda01"));
    QCOMPARE(peticion.value("tipo").toString(), QStringLiteral("TAE"));
    QCOMPARE(peticion.value("servicio").toString(), QStringLiteral("wsServiceVorn"));
}

void TstDescarga::iniciaReemplazaCliente() {
    prueba::BaseTemporal base;
    base.AgregaCuenta(QStringLiteral("http://127.0.0.1:1/ws"), QStringLiteral("uno"),
                      QStringLiteral("a"));
    QVERIFY(Pantalla().IniciaServicios());
    ParametrosConsulta* primeros = Pantalla().oParametros.get();
    primeros->setTipo(QStringLiteral("CAMBIADO"));
    base.Ejecuta(QStringLiteral("UPDATE Pos_Servicio_Configuracion SET Psc_Usuario = 'otro'"));
    QVERIFY(Pantalla().IniciaServicios());
    // A fresh pair, with every setting written again.
    QCOMPARE(Pantalla().oCliente->Usuario(), QStringLiteral("otro"));
    QCOMPARE(Pantalla().oParametros->Tipo(), QStringLiteral("TAE"));
}

void TstDescarga::sinUrlSoloAvisa() {
    Tienda tienda(ConCatalogo(CatalogoBasico()));
    tienda.base.Ejecuta(QStringLiteral("DELETE FROM Pos_Servicio_Configuracion"));
    const QString antes = tienda.Tablas();
    Pantalla().Show();
    tienda.base.Mensajes().Limpia();
    kd562::gSQL = QStringLiteral("sin tocar");
    Descarga();
    QCOMPARE(tienda.base.Mensajes().Cuenta(), 1);
    const Mensaje& aviso = tienda.base.Mensajes().Ultimo();
    QCOMPARE(aviso.texto,
             QStringLiteral("No se encontró información de credenciales configuradas"));
    QCOMPARE(aviso.estilo, 48);
    QCOMPARE(aviso.titulo, QStringLiteral("Controles_B1Click()"));
    QCOMPARE(aviso.modulo, QString());
    QCOMPARE(kd562::gSQL, QStringLiteral("sin tocar"));
    QCOMPARE(tienda.simulador.Peticiones(), 0);
    QCOMPARE(tienda.Tablas(), antes);
}

void TstDescarga::urlEnBlancoCuenta() {
    Tienda tienda(ConCatalogo(CatalogoBasico()), false);
    Pantalla().Show();
    Pantalla().sUrlWs = QStringLiteral("   ");
    Descarga();
    QCOMPARE(tienda.simulador.Peticiones(), 1);
    QCOMPARE(tienda.base.Mensajes().Cuenta(), 0);
    QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 4"));
}

void TstDescarga::tablaVaciaNoPregunta() {
    Tienda tienda(ConCatalogo(CatalogoBasico()), false);
    Pantalla().Show();
    Descarga();
    for (const auto& registro : tienda.base.Mensajes().Registros())
        QVERIFY(registro.mensaje.estilo != 36);
    QCOMPARE(Pantalla().lvRegistros->ListItemsCount(), 4);
    QCOMPARE(tienda.base.Entero(QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Producto WHERE "
                                               "Pr_Cve_Producto <> ''")),
             4);
}

void TstDescarga::respuestaNoDejaTodo() {
    Tienda tienda(ConCatalogo(CatalogoBasico()));
    Pantalla().Show();
    const QString antes = tienda.Tablas();
    tienda.base.Mensajes().Responde(7);
    Descarga();
    QCOMPARE(tienda.base.Mensajes().Cuenta(), 1);
    const Mensaje& pregunta = tienda.base.Mensajes().Ultimo();
    QCOMPARE(pregunta.estilo, 36);
    QCOMPARE(pregunta.titulo, QStringLiteral("Generar nueva configuración?"));
    QCOMPARE(pregunta.modulo, QStringLiteral("KD562"));
    QCOMPARE(pregunta.texto,
             QStringLiteral("Se han registrado servicios previamente\r\nDesea generar una nueva "
                            "configuración?\r\n\r\nEste cambio borrara la configuración "
                            "anterior!"));
    QCOMPARE(tienda.Tablas(), antes);
    QCOMPARE(tienda.simulador.Peticiones(), 0);
    QCOMPARE(Pantalla().lvRegistros->ListItemsCount(), 2);
    QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 2"));
}

void TstDescarga::fallaPasarelaConservaTabla_data() {
    QTest::addColumn<int>("estadoHttp");
    QTest::addColumn<QString>("codigo");
    QTest::addColumn<QString>("contiene");
    QTest::newRow("http 500") << 500 << ""
                              << "500";
    QTest::newRow("codigo 401") << 200 << "401"
                                << "";
}

void TstDescarga::fallaPasarelaConservaTabla() {
    QFETCH(int, estadoHttp);
    QFETCH(QString, codigo);
    QFETCH(QString, contiene);
    Configuracion c = ConCatalogo(CatalogoBasico());
    c.estadoHttp = estadoHttp;
    c.codigo = codigo;
    Tienda tienda(c);
    Pantalla().Show();
    const QString antes = tienda.Tablas();
    Descarga();
    QCOMPARE(tienda.Tablas(), antes);
    // Emptied at the question, the list shows the stored services again.
    QCOMPARE(Pantalla().lvRegistros->ListItemsCount(), 2);
    QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 2"));
    QCOMPARE(tienda.base.Mensajes().Cuenta(), 2);
    const Mensaje& fallo = tienda.base.Mensajes().Ultimo();
    QCOMPARE(fallo.estilo, 16);
    QCOMPARE(fallo.titulo, QStringLiteral("Controles_B1Click()"));
    QCOMPARE(fallo.modulo, QStringLiteral("KD562"));
    QCOMPARE(fallo.idError, QString());
    QVERIFY(!fallo.texto.isEmpty());
    QVERIFY(fallo.texto.contains(contiene));
    QVERIFY(!fallo.texto.contains(QStringLiteral("s3creta")));
}

void TstDescarga::codigoAceptado_data() {
    QTest::addColumn<bool>("comoTexto");
    QTest::newRow("numero") << false;
    QTest::newRow("texto") << true;
}

void TstDescarga::codigoAceptado() {
    QFETCH(bool, comoTexto);
    Configuracion c = ConCatalogo(CatalogoBasico());
    c.codigoComoTexto = comoTexto;
    Tienda tienda(c);
    Pantalla().Show();
    Descarga();
    // The question, then nothing else: the download went through.
    QCOMPARE(tienda.base.Mensajes().Cuenta(), 1);
    QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 4"));
    ListView* lista = Pantalla().lvRegistros;
    QStringList servicios;
    for (int i = 1; i <= lista->ListItemsCount(); ++i)
        servicios.append(lista->ItemText(i) + QLatin1Char('>') + lista->SubItem(i, 4));
    QCOMPARE(servicios,
             QStringList({"ASL100>100ASL", "FLA050>50FLMB", "LUZ>Pago de lu", "TEL200>200TELE"}));
    QCOMPARE(tienda.base.Entero(QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Producto")), 4);
    QCOMPARE(Columna("Pos_Servicio_Producto", "Psp_Tipo", "LUZ", tienda.base),
             QStringLiteral("01"));
    QCOMPARE(Columna("Pos_Servicio_Producto", "Oper_Alta", "LUZ", tienda.base),
             QStringLiteral("OPER01"));
    // The old products stay; only the catalogue was replaced.
    QCOMPARE(tienda.base.Entero(QStringLiteral("SELECT COUNT(*) FROM Producto")), 5);
    QCOMPARE(tienda.base
                 .Valor(QStringLiteral("SELECT Pr_Clave_Corta FROM Producto WHERE "
                                       "Pr_Cve_Producto = '200TELE'"))
                 .toString(),
             QStringLiteral("200TLV"));
    Recordset producto = tienda.base.Cnn().Execute(QStringLiteral(
        "SELECT Pr_Codigo1, Pr_Codigo2, Pr_Valor1, Pr_Valor4 FROM Producto WHERE Pr_Cve_Producto "
        "= '100ASL'"));
    QCOMPARE(producto.Fields(0).toString(), QStringLiteral("99"));
    QCOMPARE(producto.Fields(1).toString(), QStringLiteral("SR"));
    QCOMPARE(producto.Fields(2).toDouble(), -1.0);
    QCOMPARE(producto.Fields(3).toDouble(), -1.0);
}

void TstDescarga::resultadoVacioRevierte() {
    Tienda tienda(ConCatalogo(QJsonArray()));
    Pantalla().Show();
    const QString antes = tienda.Tablas();
    Descarga();
    QCOMPARE(tienda.Tablas(), antes);
    QCOMPARE(tienda.base.Mensajes().Cuenta(), 2);
    const Mensaje& aviso = tienda.base.Mensajes().Ultimo();
    QCOMPARE(aviso.texto, QStringLiteral("No se encontró información de servicios configurados"));
    QCOMPARE(aviso.titulo, QStringLiteral("Corvanta"));
    QCOMPARE(aviso.estilo, 16);
    QCOMPARE(aviso.modulo, QStringLiteral("KD562"));
    QCOMPARE(PunteroRaton::Actual(), 0);
    QVERIFY(!tienda.base.Cnn().EnTransaccion());
}

void TstDescarga::montoInvalidoRevierte_data() {
    QTest::addColumn<QJsonValue>("monto");
    QTest::newRow("nulo") << QJsonValue(QJsonValue::Null);
    QTest::newRow("texto") << QJsonValue(QStringLiteral("cien"));
    QTest::newRow("vacio") << QJsonValue(QString());
}

void TstDescarga::montoInvalidoRevierte() {
    QFETCH(QJsonValue, monto);
    QJsonArray catalogo = CatalogoBasico();
    catalogo.append(Servicio("MAL", "Saldo Local", "TAE", monto));
    Tienda tienda(ConCatalogo(catalogo));
    Pantalla().Show();
    const QString antes = tienda.Tablas();
    Descarga();
    QCOMPARE(tienda.Tablas(), antes);
    const Mensaje& fallo = tienda.base.Mensajes().Ultimo();
    QCOMPARE(fallo.idError, QStringLiteral("ERR-ID:7500002"));
    QCOMPARE(fallo.titulo, QStringLiteral("Controles_B1Click()"));
    QCOMPARE(fallo.estilo, 16);
    QCOMPARE(PunteroRaton::Actual(), 0);
    QCOMPARE(tienda.base.Mensajes().Registros().constLast().puntero, 0);
}

void TstDescarga::rechazoEnTerceraFila() {
    // The third service has no description: its product cannot be saved.
    QJsonArray catalogo = {Servicio("A1", "Saldo Local", "TAE", 20),
                           Servicio("A2", "WEEX", "TAE", 100), Servicio("A3", "", "TAE", 50),
                           Servicio("A4", "AT&T", "TAE", 30)};
    Tienda tienda(ConCatalogo(catalogo));
    Pantalla().Show();
    const QString antes = tienda.Tablas();
    Descarga();
    QCOMPARE(tienda.Tablas(), antes);
    const Mensaje& aviso = tienda.base.Mensajes().Ultimo();
    QVERIFY2(aviso.texto.startsWith(QStringLiteral("AddProducto()50 - \r\n: \r\n")),
             qPrintable(aviso.texto));
    QVERIFY(aviso.texto.size() > QStringLiteral("AddProducto()50 - \r\n: \r\n").size());
    QCOMPARE(aviso.titulo, QStringLiteral("Corvanta"));
    QCOMPARE(aviso.idError, QString());
    QCOMPARE(tienda.base.Entero(QStringLiteral("SELECT COUNT(*) FROM Producto WHERE "
                                               "Pr_Cve_Producto IN ('20Sal', '100WEEX')")),
             0);
}

void TstDescarga::productoExistenteSeActualiza() {
    Tienda tienda(ConCatalogo(CatalogoBasico()), false);
    tienda.base.Ejecuta(QStringLiteral("INSERT INTO Producto (Pr_Cve_Producto, Pr_Descripcion, "
                                       "Pr_Codigo1, Pr_Codigo2, Oper_Alta, Fecha_Alta) VALUES "
                                       "('100ASL', 'viejo', '99', 'SR', 'ANT', "
                                       "'2020-01-01T00:00:00'), ('200tele', 'minusculas', NULL, "
                                       "NULL, 'ANT', '2020-01-01T00:00:00')"));
    Pantalla().Show();
    Descarga();
    QCOMPARE(tienda.base.Mensajes().Cuenta(), 0);
    QCOMPARE(tienda.base.Entero(QStringLiteral("SELECT COUNT(*) FROM Producto WHERE "
                                               "Pr_Cve_Producto = '100ASL'")),
             1);
    Recordset actualizado = tienda.base.Cnn().Execute(QStringLiteral(
        "SELECT Pr_Descripcion, Oper_Alta, Fecha_Alta FROM Producto WHERE Pr_Cve_Producto = "
        "'100ASL'"));
    QCOMPARE(Texto(actualizado.Fields(0)), QStringLiteral("Paquete Amigo Sin Limite"));
    QCOMPARE(Texto(actualizado.Fields(1)), QStringLiteral("ANT"));
    QCOMPARE(Texto(actualizado.Fields(2)), QStringLiteral("2020-01-01T00:00:00"));
    // A key that differs only in case is another product.
    QCOMPARE(tienda.base.Entero(QStringLiteral("SELECT COUNT(*) FROM Producto WHERE "
                                               "Pr_Cve_Producto IN ('200tele', '200TELE')")),
             2);
}

void TstDescarga::mismaClaveEnDosFilas() {
    QJsonArray catalogo = {Servicio("X1", "Paquete Amigo Sin Limite", "TAE", 100),
                           Servicio("X2", "paquete amigo sin limite", "TAE", 100)};
    Tienda tienda(ConCatalogo(catalogo), false);
    Pantalla().Show();
    Descarga();
    QCOMPARE(tienda.base.Mensajes().Cuenta(), 0);
    QCOMPARE(Columna("Pos_Servicio_Producto", "Pr_Cve_Producto", "X1", tienda.base),
             QStringLiteral("100ASL"));
    QCOMPARE(Columna("Pos_Servicio_Producto", "Pr_Cve_Producto", "X2", tienda.base),
             QStringLiteral("100ASL"));
    QCOMPARE(tienda.base.Entero(QStringLiteral("SELECT COUNT(*) FROM Producto")), 1);
    QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 2"));
}

void TstDescarga::clavesDeServicioComoTexto() {
    // Keys with letters, and keys that are equal as numbers but not as text.
    QJsonArray catalogo = {Servicio("TEL100", "Televia", "TAE", 100),
                           Servicio("007", "Saldo Local", "TAE", 20),
                           Servicio("7", "WEEX", "TAE", 20)};
    Tienda tienda(ConCatalogo(catalogo), false);
    Pantalla().Show();
    Descarga();
    QCOMPARE(tienda.base.Mensajes().Cuenta(), 0);
    QCOMPARE(Columna("Pos_Servicio_Producto", "Pr_Cve_Producto", "TEL100", tienda.base),
             QStringLiteral("100Tele"));
    QCOMPARE(Columna("Pos_Servicio_Producto", "Pr_Cve_Producto", "007", tienda.base),
             QStringLiteral("20Sal"));
    QCOMPARE(Columna("Pos_Servicio_Producto", "Pr_Cve_Producto", "7", tienda.base),
             QStringLiteral("20WEEX"));
}

void TstDescarga::comillasLiterales() {
    const QString hostil = QStringLiteral("'); DROP TABLE Producto; --");
    QJsonArray catalogo = {Servicio("Q1", "O'Higgins", "TAE", 20, hostil),
                           Servicio(hostil, "Pago O'Brien", "SERV'S", 0, "it's")};
    Tienda tienda(ConCatalogo(catalogo), false);
    Pantalla().Show();
    Descarga();
    QCOMPARE(tienda.base.Mensajes().Cuenta(), 0);
    QCOMPARE(Columna("Pos_Servicio_Producto", "Psp_Observacion", "Q1", tienda.base), hostil);
    QCOMPARE(Columna("Pos_Servicio_Producto", "Psp_Descripcion", "Q1", tienda.base),
             QStringLiteral("O'Higgins"));
    QCOMPARE(Columna("Pos_Servicio_Producto", "Psp_Grupo", hostil, tienda.base),
             QStringLiteral("SERV'S"));
    QCOMPARE(Columna("Pos_Servicio_Producto", "Pr_Cve_Producto", hostil, tienda.base),
             QStringLiteral("Pago O'Bri"));
    QCOMPARE(tienda.base.Entero(QStringLiteral("SELECT COUNT(*) FROM Producto")), 2);
    QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 2"));
}

void TstDescarga::separadorComa() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QJsonArray catalogo = {Servicio("S1", "Saldo Local", "TAE", 12.5),
                           Servicio("S2", "Televia", "TAE", "7.25")};
    Tienda tienda(ConCatalogo(catalogo), false);
    Pantalla().Show();
    Descarga();
    QCOMPARE(tienda.base.Mensajes().Cuenta(), 0);
    QCOMPARE(tienda.base
                 .Valor(QStringLiteral("SELECT Psp_Monto FROM Pos_Servicio_Producto WHERE "
                                       "Psp_Cve_Producto = 'S1'"))
                 .toDouble(),
             12.5);
    QCOMPARE(Columna("Pos_Servicio_Producto", "Pr_Cve_Producto", "S1", tienda.base),
             QStringLiteral("12,5Sal"));
    QCOMPARE(Columna("Pos_Servicio_Producto", "Pr_Cve_Producto", "S2", tienda.base),
             QStringLiteral("7,25Tele"));
}

void TstDescarga::relojSoloDuranteReescritura() {
    Tienda tienda(ConCatalogo(CatalogoBasico()));
    Pantalla().Show();
    QStringList conReloj;
    QStringList sinReloj;
    tienda.base.Cnn().setObservador([&](const QString& sql) {
        (PunteroRaton::Actual() == 11 ? conReloj : sinReloj).append(sql.section(' ', 0, 0));
    });
    Descarga();
    tienda.base.Cnn().setObservador(nullptr);
    QCOMPARE(sinReloj.first(), QStringLiteral("SELECT")); // the count
    QVERIFY(!sinReloj.contains(QStringLiteral("DELETE")));
    QVERIFY(!sinReloj.contains(QStringLiteral("INSERT")));
    QVERIFY(!sinReloj.contains(QStringLiteral("UPDATE")));
    QCOMPARE(conReloj.count(QStringLiteral("DELETE")), 1);
    QCOMPARE(PunteroRaton::Actual(), 0);
    QCOMPARE(tienda.base.Mensajes().Registros().first().puntero, 0); // the question
}

void TstDescarga::falloReportadoUnaVez() {
    Tienda tienda(ConCatalogo(CatalogoBasico()));
    tienda.base.Ejecuta(
        QStringLiteral("UPDATE Pos_Servicio_Configuracion SET Psc_Password = NULL"));
    Pantalla().Show();
    tienda.base.Mensajes().Limpia();
    Descarga();
    // The question, then the set-up's own report and nothing more; the list is shown again.
    QCOMPARE(tienda.base.Mensajes().Cuenta(), 2);
    QCOMPARE(tienda.base.Mensajes().Ultimo().titulo, QStringLiteral("IniciaServicios()"));
    QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 2"));
    QCOMPARE(tienda.simulador.Peticiones(), 0);
}

void TstDescarga::cuentaBorradaTrasCargar() {
    Tienda tienda(ConCatalogo(CatalogoBasico()), false);
    Pantalla().Show();
    tienda.base.Ejecuta(QStringLiteral("DELETE FROM Pos_Servicio_Configuracion"));
    Descarga();
    QCOMPARE(tienda.base.Mensajes().Cuenta(), 1);
    QCOMPARE(tienda.base.Mensajes().Ultimo().texto,
             QStringLiteral("No se encontró configuración previa de servicios"));
    QCOMPARE(tienda.base.Mensajes().Ultimo().titulo, QStringLiteral("Controles_B1Click()"));
    QCOMPARE(tienda.simulador.Peticiones(), 0);
}

QTEST_MAIN(TstDescarga)
#include "tst_descarga.moc"
