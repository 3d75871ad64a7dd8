#include "BaseTemporal.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "forms/CargaModulo.h"
#include "runtime/Error.h"

#include <QtTest>

using namespace corvanta;

namespace {

// What the host hands the screen: any object with a readable "Transaccion".
QObject* Anfitrion(const QString& transaccion, QObject* padre) {
    auto* objeto = new QObject(padre);
    objeto->setProperty("Transaccion", transaccion);
    return objeto;
}

} // namespace

class TstComponente : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void pantallaDesdeElModulo();
    void moduloVacio();
    void moduloInexistente();
    void transaccion_data();
    void transaccion();
    void transaccionSinPadreFalla();
    void padreDosVeces();
};

void TstComponente::initTestCase() {
    kd562::Main();
}

void TstComponente::pantallaDesdeElModulo() {
    IModulo* modulo =
        CargaModulo(qEnvironmentVariable("KD562_MODULE_DIR"), QStringLiteral("KD562"));
    QVERIFY(modulo);
    std::unique_ptr<QObject> pantalla(modulo->CreaObjeto(QStringLiteral("Pantalla")));
    QVERIFY(pantalla);
    QVERIFY(!modulo->CreaObjeto(QStringLiteral("Otra")));
    QObject* primera = pantalla->property("GetPantalla").value<QObject*>();
    QObject* segunda = pantalla->property("GetPantalla").value<QObject*>();
    QVERIFY(primera);
    QCOMPARE(primera, segunda);
    // The module loaded by name and the one this test links are the same instance.
    QCOMPARE(primera, static_cast<QObject*>(&kd562::frmKD562::Instancia()));
    // Creating the screen neither loads nor shows it.
    QVERIFY(!kd562::frmKD562::Instancia().Cargada());
    std::unique_ptr<QObject> otra(modulo->CreaObjeto(QStringLiteral("Pantalla")));
    QCOMPARE(otra->property("GetPantalla").value<QObject*>(), primera);
}

void TstComponente::moduloVacio() {
    IModulo* modulo =
        CargaModulo(qEnvironmentVariable("KD562_MODULE_DIR"), QStringLiteral("KD562"));
    std::unique_ptr<QObject> pantalla(modulo->CreaObjeto(QStringLiteral("Pantalla")));
    for (int i = 0; i < 2; ++i) {
        const QVariant valor = pantalla->property("Modulo");
        QCOMPARE(valor.typeId(), QMetaType::QString);
        QCOMPARE(valor.toString(), QString());
    }
}

void TstComponente::moduloInexistente() {
    try {
        CargaModulo(qEnvironmentVariable("KD562_MODULE_DIR"), QStringLiteral("KD999"));
        QFAIL("debió fallar");
    } catch (const Error& e) {
        QVERIFY(e.Descripcion().contains(QStringLiteral("KD999")));
    }
}

void TstComponente::transaccion_data() {
    QTest::addColumn<QString>("texto");
    QTest::newRow("simple") << "T-0001";
    QTest::newRow("con acentos") << "Transacción ñ 42";
    QTest::newRow("vacia") << "";
}

void TstComponente::transaccion() {
    QFETCH(QString, texto);
    QObject dueno;
    kd562::frmKD562& pantalla = kd562::frmKD562::Instancia();
    pantalla.setPadre(Anfitrion(texto, &dueno));
    Funciones referencia;
    QCOMPARE(pantalla.Transaccion(),
             referencia.ClaveTransaccion(texto, QStringLiteral("Corvanta")));
    // The host's text goes first: swapping the arguments gives another key.
    if (!texto.isEmpty())
        QVERIFY(pantalla.Transaccion() !=
                referencia.ClaveTransaccion(QStringLiteral("Corvanta"), texto));
    pantalla.setPadre(nullptr);
}

void TstComponente::transaccionSinPadreFalla() {
    prueba::BaseTemporal base;
    kd562::frmKD562& pantalla = kd562::frmKD562::Instancia();
    pantalla.setPadre(nullptr);
    QVERIFY_THROWS_EXCEPTION(Error, pantalla.Transaccion());
    QObject sinPropiedad;
    pantalla.setPadre(&sinPropiedad);
    QVERIFY_THROWS_EXCEPTION(Error, pantalla.Transaccion());
    pantalla.setPadre(nullptr);
    QCOMPARE(base.Mensajes().Cuenta(), 0);
}

void TstComponente::padreDosVeces() {
    QObject dueno;
    QObject* uno = Anfitrion(QStringLiteral("uno"), &dueno);
    QObject* dos = Anfitrion(QStringLiteral("dos"), &dueno);
    QObject* pantalla = &kd562::frmKD562::Instancia();
    pantalla->setProperty("Padre", QVariant::fromValue(uno));
    pantalla->setProperty("Padre", QVariant::fromValue(dos));
    QCOMPARE(pantalla->property("Padre").value<QObject*>(), dos);
    Funciones referencia;
    QCOMPARE(kd562::frmKD562::Instancia().Transaccion(),
             referencia.ClaveTransaccion(QStringLiteral("dos"), QStringLiteral("Corvanta")));
    kd562::frmKD562::Instancia().setPadre(nullptr);
}

QTEST_MAIN(TstComponente)
#include "tst_componente.moc"
