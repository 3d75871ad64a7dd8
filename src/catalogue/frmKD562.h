#pragma once

#include "catalogue/PlanDescarga.h"
#include "controls/ColorQIX.h"
#include "controls/Controles.h"
#include "controls/Etiqueta.h"
#include "controls/ImageList.h"
#include "controls/ListView.h"
#include "controls/TxtQIX.h"
#include "forms/PantallaSuite.h"
#include "gateway/ClienteServicio.h"
#include "gateway/ParametrosConsulta.h"

#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

namespace kd562 {

// "Sincronización de productos TAE y servicios": the module's main screen.
class frmKD562 : public corvanta::PantallaSuite {
    Q_OBJECT
    // Set by a host that previews a download: plan and write it, show the list as it would
    // be, then roll everything back; no question is asked.
    Q_PROPERTY(bool Simulacion MEMBER bSimulacion)
    // Set by a host that downloads unattended: a reply that would retire more than half of
    // the stored services is refused before anything is written.
    Q_PROPERTY(bool LimitaRetiros MEMBER bLimitaRetiros)
public:
    // The default instance; it lives as long as the component.
    static frmKD562& Instancia();

    QString Transaccion() override;
    // Inverts (0, also when omitted), clears (1) or sets (2) every check mark of LV.
    Q_INVOKABLE void Selecciona_LV(corvanta::ListView* LV, int iModoSeleccion = 0);

    void CargaDatos();
    // Gateway set-up and product mapping of the download; public so they can be driven
    // on their own.
    bool IniciaServicios();
    bool AddProducto();

    // Controls; they exist while the screen is loaded.
    QPointer<corvanta::Etiqueta> lbTotal;
    QPointer<corvanta::ImageList> imgXML;
    QPointer<corvanta::ColorQIX> colorQIX;
    QPointer<corvanta::ListView> lvRegistros;
    QPointer<corvanta::TxtQIX> txtUsuario;
    QPointer<corvanta::Etiqueta> Etiqueta1;
    QPointer<corvanta::Controles> Controles;

    // Members; they keep their values while the screen is closed and shown again.
    QString sUrlWs;
    QString sMensaje;
    std::unique_ptr<corvanta::ClienteServicio> oCliente;
    std::unique_ptr<corvanta::ParametrosConsulta> oParametros;
    // The download being planned: rows, then products.
    PlanDescarga tPlan;
    // Set by the trap of IniciaServicios: the failure was already reported.
    bool bFallaReportada = false;
    // Left by the trap of AddProducto, for the download to report once it rolled back.
    std::optional<QString> sFallaMapeo;
    bool bSimulacion = false;
    bool bLimitaRetiros = false;

protected:
    void CreaControles(QWidget* ventana) override;
    void Form_Load() override;
    void Form_Resize() override;

private:
    frmKD562();

    void Controles_B1Click();
    // The list part of CargaDatos; throws on failure.
    void LlenaServicios();
    // Fills the list and its total from the list statement's rows.
    void MuestraServicios(corvanta::Recordset rs);
    // The list as stored, after a download that emptied it on screen and then failed.
    void RecargaLista();
    void InformaResumen(const QStringList& lineas);
    void Controles_B3Click();
    void Controles_Salir();
    void lvRegistros_ColumnClick(int columna);
    void lvRegistros_KeyUp(int KeyCode, int Shift);
    void lvRegistros_DblClick();
};

} // namespace kd562
