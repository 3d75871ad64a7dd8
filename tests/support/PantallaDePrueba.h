#pragma once

#include "BaseTemporal.h"
#include "SimuladorPasarela.h"
#include "catalogue/frmKD562.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>

namespace prueba {

// One service as the gateway sends it.
QJsonObject Servicio(const QJsonValue& clave, const QJsonValue& descripcion,
                     const QJsonValue& grupo, const QJsonValue& monto,
                     const QJsonValue& observacion = QString());
// n services <prefijo>0 .. <prefijo>n-1 over five carriers, each fifth a bill payment.
QJsonArray Catalogo(int n, const QString& prefijo = QStringLiteral("S"));
simulador::Configuracion ConCatalogo(const QJsonArray& catalogo);
// "estilo|titulo|idError|modulo" of a message, to compare in one go.
QString Firma(const corvanta::Mensaje& mensaje);

// The screen's host: keeps the summary of the last download and counts the loads of the
// list (the screen reports the history after each).
class Anfitrion : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void MuestraResumen(const QStringList& lineas) { resumen = lineas; }
    Q_INVOKABLE void MuestraHistorial() { ++cargas; }
    // "fase:hecho/total" and, while a progress window shows, whether it may cancel ('+').
    Q_INVOKABLE void MuestraAvance(int fase, qint64 hecho, qint64 total) {
        auto* dialogo = qobject_cast<corvanta::DialogoAvance*>(QApplication::activeModalWidget());
        const QString ventana = !dialogo                                                ? ""
                                : dialogo->findChild<QWidget*>("cancelar")->isEnabled() ? "+"
                                                                                        : "-";
        avances.append(QStringLiteral("%1:%2/%3%4").arg(fase).arg(hecho).arg(total).arg(ventana));
    }
    QStringList resumen;
    QStringList avances;
    int cargas = 0;
};

// The main screen over a fresh shop: BaseTemporal's database (tables, recording messages,
// operator OPER01), a gateway simulator on 127.0.0.1 and an ephemeral port answering the
// configuration, the account pointing at it (user tienda01, password s3creta), and an
// Anfitrion as the screen's host. The screen loads at Muestra or the first Descarga; what
// it keeps between loads is reset when the fixture goes.
class PantallaDePrueba : public BaseTemporal {
public:
    explicit PantallaDePrueba(simulador::Configuracion configuracion = {});
    explicit PantallaDePrueba(const QJsonArray& catalogo)
        : PantallaDePrueba(ConCatalogo(catalogo)) {}
    ~PantallaDePrueba();

    static kd562::frmKD562& Pantalla() { return kd562::frmKD562::Instancia(); }
    simulador::SimuladorPasarela& Simulador() { return *mSimulador; }
    // Starts another simulator and points the stored account at it.
    void CambiaPasarela(simulador::Configuracion configuracion);
    // An earlier download: services V1..Vn "Viejo" (amount 10·i) tied to the product Viejo.
    void CatalogoViejo(int servicios = 2);

    // Shows the screen, then forgets the messages of the load.
    void Muestra() {
        Pantalla().Show();
        Mensajes().Limpia();
    }
    // Presses "Configurar servicios" with no messages recorded yet, loading the screen first
    // when it is not. The question is answered Yes unless Mensajes().Responde said else.
    void Descarga();
    QString Total() const { return Pantalla().lbTotal ? Pantalla().lbTotal->Caption() : ""; }
    // One column of the list, top to bottom (0 is the service key).
    QStringList Lista(int columna = 0) const;
    // What the screen last reported to its host after a download.
    const QStringList& Resumen() const { return mAnfitrion.resumen; }
    int Cargas() const { return mAnfitrion.cargas; }
    const QStringList& Avances() const { return mAnfitrion.avances; }
    // After a failed download: the tables equal antes (a difference fails the test as a
    // comparison would), no open transaction and the normal mouse pointer.
    bool Intacta(const QStringList& antes);

private:
    Anfitrion mAnfitrion;
    std::unique_ptr<simulador::SimuladorPasarela> mSimulador;
};

} // namespace prueba
