#include "BaseTemporal.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "forms/CargaModulo.h"
#include "runtime/Error.h"

#include <QtTest>

using namespace corvanta;
using kd562::frmKD562;

class TstComponente : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { kd562::Main(); }

    void pantallaDesdeElModulo() {
        const QString carpeta = qEnvironmentVariable("KD562_MODULE_DIR");
        IModulo* modulo = CargaModulo(carpeta, QStringLiteral("KD562"));
        std::unique_ptr<QObject> pantalla(modulo->CreaObjeto(QStringLiteral("Pantalla")));
        std::unique_ptr<QObject> otra(modulo->CreaObjeto(QStringLiteral("Pantalla")));
        QVERIFY(!modulo->CreaObjeto(QStringLiteral("Otra")));
        // The module loaded by name and the one this test links are the same instance.
        QCOMPARE(pantalla->property("GetPantalla").value<QObject*>(), &frmKD562::Instancia());
        QCOMPARE(otra->property("GetPantalla").value<QObject*>(), &frmKD562::Instancia());
        // Creating the screen neither loads nor shows it.
        QVERIFY(!frmKD562::Instancia().Cargada());
        QCOMPARE(pantalla->property("Modulo"), QVariant(QString()));
    }

    // The key from the host's text is tst_kd562's (anfitrion); here the texts it meets and
    // the hosts that hand none.
    void transaccion() {
        prueba::BaseTemporal base;
        frmKD562& pantalla = frmKD562::Instancia();
        const auto visto = [&] {
            try {
                return pantalla.Transaccion();
            } catch (const Error& e) {
                return e.Descripcion();
            }
        };
        QObject dueno;
        // Any object with a readable "Transaccion" will do; the last one set is the one read.
        for (const QString texto : {"Transacción ñ 42", ""}) {
            auto* anfitrion = new QObject(&dueno);
            anfitrion->setProperty("Transaccion", texto);
            pantalla.setProperty("Padre", QVariant::fromValue(anfitrion));
            QCOMPARE(pantalla.property("Padre").value<QObject*>(), anfitrion);
            QCOMPARE(visto(), Funciones().ClaveTransaccion(texto, "Corvanta"));
        }
        QObject sinPropiedad;
        pantalla.setPadre(&sinPropiedad);
        QCOMPARE(visto(), "El objeto no admite esta propiedad o método: Transaccion");
        pantalla.setPadre(nullptr);
        QCOMPARE(visto(), "Variable de objeto o bloque With no establecido");
        QCOMPARE(base.Mensajes().Cuenta(), 0);
    }
};

QTEST_MAIN(TstComponente)
#include "tst_componente.moc"
