// SQLite when the disk fills: the download rolls back, shows the driver's message, and the
// file stays intact and usable.
#include "SimuladorPasarela.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "data/Tablas.h"
#include "runtime/Cifrado.h"
#include "runtime/MensajesGrabados.h"
#include "runtime/Sesion.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace corvanta;
using kd562::frmKD562;
using simulador::SimuladorPasarela;

namespace {

QJsonArray Catalogo(int n, const QString& prefijo) {
    QJsonArray catalogo;
    for (int i = 0; i < n; ++i)
        catalogo.append(QJsonObject{
            {"PRODUCTO", QStringLiteral("%1%2").arg(prefijo).arg(i)},
            {"DESCRIPCION", QStringLiteral("%1%2 cobro de servicio").arg(prefijo).arg(i)},
            {"GRUPO", "SERVICIOS"},
            {"MONTO", i % 90},
            {"OBSERVACION", QString(40, QLatin1Char('x'))}});
    return catalogo;
}

QString Estado() {
    QStringList filas;
    for (const char* sql : {"SELECT Psp_Cve_Producto, Pr_Cve_Producto FROM Pos_Servicio_Producto",
                            "SELECT Pr_Cve_Producto, Pr_Descripcion FROM Producto"})
        for (Recordset rs = Sesion::Conexion().Execute(QString::fromLatin1(sql)); !rs.Eof();
             rs.MoveNext())
            filas.append(rs.Fields(0).toString() + QLatin1Char('|') + rs.Fields(1).toString());
    filas.sort();
    return filas.join(QLatin1Char('\n'));
}

} // namespace

class TstDisco : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { kd562::Main(); }
    void discoLleno_data();
    void discoLleno();
};

void TstDisco::discoLleno_data() {
    QTest::addColumn<bool>("sistemaDeArchivos");
    QTest::newRow("paginas limitadas") << false;
    QTest::newRow("tmpfs lleno") << true;
}

void TstDisco::discoLleno() {
    QFETCH(bool, sistemaDeArchivos);
    QTemporaryDir carpeta;
    QString ruta = carpeta.filePath(QStringLiteral("tienda.db"));
    if (sistemaDeArchivos) {
        // A filesystem of 1 MiB: the old catalogue fits, the new one does not.
        if (QProcess::execute(QStringLiteral("mount"),
                              {"-t", "tmpfs", "-o", "size=1m", "tmpfs", carpeta.path()}) != 0)
            QSKIP("Montar un tmpfs necesita ser root");
    }
    simulador::Configuracion viejo, grande;
    viejo.catalogo = Catalogo(20, QStringLiteral("V"));
    grande.catalogo = Catalogo(6000, QStringLiteral("G"));
    SimuladorPasarela pasarelaVieja(viejo), pasarelaGrande(grande);
    QVERIFY(pasarelaVieja.Inicia() != 0 && pasarelaGrande.Inicia() != 0);
    auto mensajes = std::make_shared<MensajesGrabados>();
    Sesion::Configura(QStringLiteral("sqlite:") + ruta, QStringLiteral("OPER"), mensajes);
    kd562::CreaTablas(Sesion::Conexion());
    Cifrado cifrado;
    cifrado.setLlave(QStringLiteral("PaTiNoLuX"));
    auto apunta = [&](const SimuladorPasarela& pasarela) {
        Sesion::Conexion().Execute(QStringLiteral("DELETE FROM Pos_Servicio_Configuracion"));
        Sesion::Conexion().Ejecuta(
            QStringLiteral("INSERT INTO Pos_Servicio_Configuracion (Psc_URL, Psc_Usuario, "
                           "Psc_Password) VALUES (?, 't', ?)"),
            {pasarela.URL(), cifrado.Transforma(QStringLiteral("p"))});
    };
    frmKD562& pantalla = frmKD562::Instancia();
    apunta(pasarelaVieja);
    pantalla.Show();
    pantalla.Controles->Boton(1)->click();
    QCOMPARE(pantalla.lbTotal->Caption(), QStringLiteral("Total: 20"));
    const QString antes = Estado();

    apunta(pasarelaGrande);
    if (!sistemaDeArchivos) {
        const int paginas =
            Sesion::Conexion().Execute(QStringLiteral("PRAGMA page_count")).Fields(0).toInt();
        Sesion::Conexion().Execute(QStringLiteral("PRAGMA max_page_count = %1").arg(paginas + 30));
    }
    mensajes->Limpia();
    pantalla.Controles->Boton(1)->click();
    QCOMPARE(mensajes->Cuenta(), 2); // the question, then the failure
    const Mensaje& falla = mensajes->Ultimo();
    QCOMPARE(falla.estilo, 16);
    QCOMPARE(falla.idError, QStringLiteral("ERR-ID:7500002"));
    QVERIFY2(falla.texto.contains(QStringLiteral("full")), qPrintable(falla.texto));
    QVERIFY(!Sesion::Conexion().EnTransaccion());
    QCOMPARE(Estado(), antes);
    QCOMPARE(Sesion::Conexion().Execute(QStringLiteral("PRAGMA integrity_check")).Fields(0),
             QVariant(QStringLiteral("ok")));
    QCOMPARE(pantalla.lbTotal->Caption(), QStringLiteral("Total: 20"));

    // Still usable: a catalogue that fits goes through.
    apunta(pasarelaVieja);
    mensajes->Limpia();
    pantalla.Controles->Boton(1)->click();
    QCOMPARE(mensajes->Cuenta(), 1);
    QCOMPARE(pantalla.lbTotal->Caption(), QStringLiteral("Total: 20"));
    pantalla.Unload();
    Sesion::Cierra();
    if (sistemaDeArchivos)
        QProcess::execute(QStringLiteral("umount"), {carpeta.path()});
}

QTEST_MAIN(TstDisco)
#include "tst_disco.moc"
