#include "PantallaDePrueba.h"

#include "component/Publico.h"
#include "forms/PunteroRaton.h"

#include <QToolButton>

namespace prueba {

QJsonObject Servicio(const QJsonValue& clave, const QJsonValue& descripcion,
                     const QJsonValue& grupo, const QJsonValue& monto,
                     const QJsonValue& observacion) {
    return {{"PRODUCTO", clave},
            {"DESCRIPCION", descripcion},
            {"GRUPO", grupo},
            {"MONTO", monto},
            {"OBSERVACION", observacion}};
}

QJsonArray Catalogo(int n, const QString& prefijo) {
    const char* const descripciones[] = {"Televia", "AT&T", "Weex", "Saldo Local", "Pago de luz"};
    QJsonArray catalogo;
    for (int i = 0; i < n; ++i)
        catalogo.append(Servicio(prefijo + QString::number(i), descripciones[i % 5],
                                 i % 5 == 4 ? "SERVICIOS" : "TAE", i % 5 == 4 ? 0 : 10 + i,
                                 prefijo));
    return catalogo;
}

simulador::Configuracion ConCatalogo(const QJsonArray& catalogo) {
    simulador::Configuracion configuracion;
    configuracion.catalogo = catalogo;
    return configuracion;
}

QString Firma(const corvanta::Mensaje& m) {
    return QStringList{QString::number(m.estilo), m.titulo, m.idError, m.modulo}.join('|');
}

PantallaDePrueba::PantallaDePrueba(simulador::Configuracion configuracion) {
    kd562::Main();
    CambiaPasarela(std::move(configuracion));
    AgregaCuenta(mSimulador->URL(), "tienda01", "s3creta");
    Pantalla().setPadre(&mAnfitrion);
}

PantallaDePrueba::~PantallaDePrueba() {
    kd562::frmKD562& p = Pantalla();
    p.Unload();
    p.setPadre(nullptr);
    p.bSimulacion = p.bLimitaRetiros = false;
    p.sUrlWs.clear();
    p.sMensaje.clear();
    p.oCliente.reset();
    p.oParametros.reset();
    corvanta::PunteroRaton::Fija(corvanta::PunteroNormal);
    QLocale::setDefault(QLocale::c());
}

void PantallaDePrueba::CambiaPasarela(simulador::Configuracion configuracion) {
    mSimulador = std::make_unique<simulador::SimuladorPasarela>(std::move(configuracion));
    if (mSimulador->Inicia() == 0)
        qFatal("El simulador de la pasarela no pudo escuchar en 127.0.0.1");
    Ejecuta("UPDATE Pos_Servicio_Configuracion SET Psc_URL = ?", {mSimulador->URL()});
}

void PantallaDePrueba::CatalogoViejo(int servicios) {
    Ejecuta("INSERT INTO Producto (Pr_Cve_Producto, Pr_Descripcion, Pr_Codigo1, Pr_Codigo2) "
            "VALUES ('Viejo', 'Viejo', '99', 'SR')");
    for (int i = 1; i <= servicios; ++i)
        AgregaServicio(QStringLiteral("V%1").arg(i), "Viejo", "SERVICIOS", 10 * i, "", "Viejo");
}

void PantallaDePrueba::Descarga() {
    if (!Pantalla().Cargada())
        Pantalla().Show();
    Mensajes().Limpia();
    Pantalla().Controles->Boton(1)->click();
}

QStringList PantallaDePrueba::Lista(int columna) const {
    QStringList valores;
    for (int i = 1; Pantalla().lvRegistros && i <= Pantalla().lvRegistros->ListItemsCount(); ++i)
        valores.append(Pantalla().lvRegistros->SubItem(i, columna));
    return valores;
}

bool PantallaDePrueba::Intacta(const QStringList& antes) {
    return QTest::qCompare(Filas(), antes, "Filas()", "antes", __FILE__, __LINE__) &&
           !Cnn().EnTransaccion() && corvanta::PunteroRaton::Actual() == corvanta::PunteroNormal;
}

} // namespace prueba
