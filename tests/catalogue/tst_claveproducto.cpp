#include "catalogue/ClaveProducto.h"

#include <QtTest>

using namespace kd562;

class TstClaveProducto : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void claves_data();
    void claves();
    void separadorRegional();
    void noPartePares();
};

void TstClaveProducto::claves_data() {
    QTest::addColumn<QString>("grupo");
    QTest::addColumn<QString>("descripcion");
    QTest::addColumn<double>("monto");
    QTest::addColumn<QString>("clave");
    QTest::addColumn<QString>("corta");
    QTest::newRow("amigo sin limite") << "TAE"
                                      << "Paquete Amigo Sin Limite" << 100.0 << "100ASL"
                                      << "100ASL";
    QTest::newRow("televia") << "TAE"
                             << "TELEVIA" << 200.0 << "200TELE"
                             << "200TLV";
    QTest::newRow("weex") << "TAE"
                          << "WEEX" << 1000.0 << "1000WEEX"
                          << "1000WE";
    QTest::newRow("otra tae") << "TAE"
                              << "Saldo Local" << 20.0 << "20Sal"
                              << "20Sal";
    QTest::newRow("flash") << "TAE"
                           << "Flash Mobile" << 50.0 << "50FLMB"
                           << "50FLB";
    QTest::newRow("otro grupo") << "SERVICIOS"
                                << "Pago de luz domestica" << 0.0 << "Pago de lu"
                                << "Pago d";
    QTest::newRow("televia con espacio") << "TAE"
                                         << " Televia" << 200.0 << "200 Tel"
                                         << "200TLV";
    QTest::newRow("tae minusculas") << "tae"
                                    << "Paquete Amigo Sin Limite" << 100.0 << "Paquete Am"
                                    << "100ASL";
    QTest::newRow("tae con espacio") << "TAE "
                                     << "WEEX" << 100.0 << "WEEX"
                                     << "100WEX";
    QTest::newRow("amigo minusculas con blancos")
        << "TAE"
        << "  paquete amigo sin limite  " << 100.0 << "100ASL"
        << "100ASL";
    QTest::newRow("amigo dos espacios") << "TAE"
                                        << "PAQUETE  AMIGO SIN LIMITE" << 100.0 << "100PAQ"
                                        << "100PAQ";
    QTest::newRow("cortada a diez") << "TAE"
                                    << "Paquete Internet Movistar" << 100.125 << "100.125PQI"
                                    << "100.12";
    QTest::newRow("at&t") << "TAE"
                          << "AT&T" << 30.0 << "30ATT"
                          << "30ATT";
    QTest::newRow("internet amigo") << "TAE"
                                    << "Internet Amigo" << 50.0 << "50ITA"
                                    << "50ITA";
    QTest::newRow("internet movistar") << "TAE"
                                       << "Internet Movistar" << 50.0 << "50INTM"
                                       << "50ITM";
    QTest::newRow("descripcion vacia fuera de tae") << "SERVICIOS"
                                                    << "" << 0.0 << ""
                                                    << "";
}

void TstClaveProducto::claves() {
    QFETCH(QString, grupo);
    QFETCH(QString, descripcion);
    QFETCH(double, monto);
    QFETCH(QString, clave);
    QFETCH(QString, corta);
    const QString obtenida = ClaveProducto(grupo, descripcion, monto);
    QCOMPARE(obtenida, clave);
    QCOMPARE(ClaveCortaProducto(descripcion, monto, obtenida), corta);
}

void TstClaveProducto::separadorRegional() {
    // A locale whose decimal separator is a comma.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(ClaveProducto(QStringLiteral("TAE"), QStringLiteral("Saldo Local"), 12.5),
             QStringLiteral("12,5Sal"));
    QCOMPARE(ClaveCortaProducto(QStringLiteral("Televia"), 12.5, QString()),
             QStringLiteral("12,5TL"));
    QLocale::setDefault(QLocale::c());
}

void TstClaveProducto::noPartePares() {
    // "Recarga" then a character outside the BMP at positions 10 and 11.
    const QString descripcion = QStringLiteral("Recarga 1😀 total");
    const QString clave = ClaveProducto(QStringLiteral("OTRO"), descripcion, 0);
    QCOMPARE(clave, QStringLiteral("Recarga 1"));
    QVERIFY(!clave.back().isHighSurrogate());
}

QTEST_MAIN(TstClaveProducto)
#include "tst_claveproducto.moc"
