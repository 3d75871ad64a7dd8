// A PostgreSQL server that dies: a sync it was serving ends with a clear message and leaves
// the old catalogue, and a screen left open keeps working once the server is back.
#include "SimuladorPasarela.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "data/Tablas.h"
#include "runtime/Cifrado.h"
#include "runtime/MensajesGrabados.h"
#include "runtime/Sesion.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QToolButton>
#include <QtTest>

using namespace corvanta;
using simulador::SimuladorPasarela;

namespace {

QJsonArray Catalogo(int n, const QString& prefijo) {
    QJsonArray catalogo;
    for (int i = 0; i < n; ++i)
        catalogo.append(
            QJsonObject{{"PRODUCTO", QStringLiteral("%1%2").arg(prefijo).arg(i)},
                        {"DESCRIPCION", QStringLiteral("%1%2 cobro").arg(prefijo).arg(i)},
                        {"GRUPO", "SERVICIOS"},
                        {"MONTO", i % 90},
                        {"OBSERVACION", prefijo}});
    return catalogo;
}

QString Servidor(const QStringList& argumentos) {
    QProcess p;
    p.start(QStringLiteral(KD562_PG_SERVIDOR), argumentos);
    p.waitForFinished(120000);
    if (p.exitCode() != 0)
        qWarning("%s", p.readAllStandardError().constData());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

class TstServidor : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void sincronizacionInterrumpida();
    void pantallaAbiertaSeRecupera();

private:
    QString Estado();
    void MataYReinicia();

    QString mCarpeta;
    QString mUrl;
};

void TstServidor::initTestCase() {
    if (QProcess::execute(QStringLiteral("sh"), {"-c", "ls /usr/lib/postgresql/*/bin/initdb"}) != 0)
        QSKIP("Sin PostgreSQL instalado no hay servidor que matar");
    const QStringList salida = Servidor({QStringLiteral("start")}).split(QLatin1Char(' '));
    QCOMPARE(salida.size(), 2);
    mCarpeta = salida.at(0);
    mUrl = salida.at(1);
    kd562::Main();
    auto cnn = Connection::Abre(mUrl);
    kd562::CreaTablas(*cnn);
}

void TstServidor::cleanupTestCase() {
    Sesion::Cierra();
    if (!mCarpeta.isEmpty())
        Servidor({QStringLiteral("stop"), mCarpeta});
}

QString TstServidor::Estado() {
    auto cnn = Connection::Abre(mUrl);
    QStringList filas;
    for (const char* sql :
         {"SELECT Psp_Cve_Producto, Psp_Monto, Pr_Cve_Producto FROM Pos_Servicio_Producto",
          "SELECT Pr_Cve_Producto, Pr_Descripcion, Pr_Precio FROM Producto"})
        for (Recordset rs = cnn->Execute(QString::fromLatin1(sql)); !rs.Eof(); rs.MoveNext())
            filas.append(rs.Fields(0).toString() + QLatin1Char('|') + rs.Fields(1).toString() +
                         QLatin1Char('|') + rs.Fields(2).toString());
    filas.sort();
    return filas.join(QLatin1Char('\n'));
}

void TstServidor::MataYReinicia() {
    Servidor({QStringLiteral("kill"), mCarpeta});
    Servidor({QStringLiteral("restart"), mCarpeta});
}

void TstServidor::sincronizacionInterrumpida() {
    simulador::Configuracion viejo, nuevo;
    viejo.catalogo = Catalogo(20000, QStringLiteral("V"));
    nuevo.catalogo = Catalogo(20000, QStringLiteral("N"));
    SimuladorPasarela pasarelaVieja(viejo), pasarelaNueva(nuevo);
    QVERIFY(pasarelaVieja.Inicia() != 0 && pasarelaNueva.Inicia() != 0);
    auto corre = [&](const QStringList& argumentos) {
        QProcess p;
        p.start(QStringLiteral(KD562_EXE), QStringList{"--db", mUrl} + argumentos);
        p.waitForFinished(120000);
        return p.exitCode();
    };
    QCOMPARE(corre({"account", "--url", pasarelaVieja.URL(), "--user", "t"}), 0);
    QCOMPARE(corre({"sync", "--yes", "--allow-shrink"}), 0);
    const QString antes = Estado();
    QCOMPARE(corre({"account", "--url", pasarelaNueva.URL(), "--user", "t"}), 0);

    QProcess sync;
    sync.start(QStringLiteral(KD562_EXE), {"--db", mUrl, "sync", "--yes", "--allow-shrink"});
    QVERIFY(sync.waitForStarted());
    // The postmaster goes while the rewrite's transaction is open.
    {
        auto vigia = Connection::Abre(mUrl);
        QElapsedTimer espera;
        espera.start();
        // Between the rewrite's statements, or inside its COPY: its transaction is open.
        while (vigia
                   ->Execute(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE pid <> "
                                            "pg_backend_pid() AND (state = 'idle in "
                                            "transaction' OR query LIKE 'COPY %')"))
                   .Fields(0)
                   .toInt() == 0) {
            QVERIFY2(espera.elapsed() < 60000, "la descarga no abrió su transacción");
            QTest::qSleep(2);
        }
    }
    QElapsedTimer reloj;
    reloj.start();
    Servidor({QStringLiteral("kill"), mCarpeta});
    QVERIFY(sync.waitForFinished(90000));
    QVERIFY2(reloj.elapsed() < 60000, "kd562 no terminó dentro de sus tiempos");
    const QString errores = QString::fromUtf8(sync.readAllStandardError());
    QCOMPARE(sync.exitCode(), 1);
    QVERIFY2(errores.contains(QStringLiteral("[CRITICO] Controles_B1Click(): Se perdió la "
                                             "conexión con el servidor de base de datos")),
             qPrintable(errores));
    Servidor({QStringLiteral("restart"), mCarpeta});
    QCOMPARE(Estado(), antes);
}

void TstServidor::pantallaAbiertaSeRecupera() {
    simulador::Configuracion c;
    c.catalogo = Catalogo(50, QStringLiteral("P"));
    SimuladorPasarela pasarela(c);
    QVERIFY(pasarela.Inicia() != 0);
    auto mensajes = std::make_shared<MensajesGrabados>();
    Sesion::Configura(mUrl, QStringLiteral("OPER"), mensajes);
    Cifrado cifrado;
    cifrado.setLlave(QStringLiteral("PaTiNoLuX"));
    Sesion::Conexion().Execute(QStringLiteral("DELETE FROM Pos_Servicio_Configuracion"));
    Sesion::Conexion().Ejecuta(QStringLiteral("INSERT INTO Pos_Servicio_Configuracion (Psc_URL, "
                                              "Psc_Usuario, Psc_Password) VALUES (?, 't', ?)"),
                               {pasarela.URL(), cifrado.Transforma(QStringLiteral("p"))});
    kd562::frmKD562& pantalla = kd562::frmKD562::Instancia();
    pantalla.Show();
    const QString antes = Estado();
    MataYReinicia();
    mensajes->Limpia();
    auto criticos = [&] {
        int n = 0;
        for (const auto& r : mensajes->Registros())
            n += r.mensaje.estilo == 16;
        return n;
    };
    pantalla.Controles->Boton(1)->click();
    // The first press may meet the broken link: one clear message, nothing changed.
    if (criticos() > 0) {
        QCOMPARE(criticos(), 1);
        QVERIFY2(mensajes->Ultimo().texto.startsWith(QStringLiteral("Se perdió la conexión")),
                 qPrintable(mensajes->Ultimo().texto));
        QCOMPARE(Estado(), antes);
        mensajes->Limpia();
        pantalla.Controles->Boton(1)->click();
    }
    QCOMPARE(criticos(), 0);
    QCOMPARE(pantalla.lbTotal->Caption(), QStringLiteral("Total: 50"));
    pantalla.Unload();
}

QTEST_MAIN(TstServidor)
#include "tst_servidor.moc"
