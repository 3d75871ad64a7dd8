#pragma once

#include "catalogue/DescargaPlaneada.h"
#include "catalogue/PlanDescarga.h"
#include "catalogue/ResumenDescarga.h"
#include "controls/ColorQIX.h"
#include "controls/Controles.h"
#include "controls/Etiqueta.h"
#include "controls/ImageList.h"
#include "controls/ListView.h"
#include "controls/TxtQIX.h"
#include "data/Historial.h"
#include "forms/DialogoAvance.h"
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
    // Where downloads are run from, for the history: "ventana" or "linea".
    Q_PROPERTY(QString Origen MEMBER sOrigen)
    // Days the history keeps (0: all); each download drops older entries.
    Q_PROPERTY(int DiasHistorial MEMBER iDiasHistorial)
    // Off only to measure what the history costs.
    Q_PROPERTY(bool Historial MEMBER bHistorial)
    // After a download that did not commit: whether the failure may pass by itself (the
    // gateway unreachable or briefly down, another terminal holding the data), and the wait
    // in seconds the gateway asked for (-1: none). A host that runs unattended retries on it.
    Q_PROPERTY(bool FallaTransitoria MEMBER bFallaTransitoria)
    Q_PROPERTY(int ReintentarEnS MEMBER iReintentarEnS)
public:
    // The default instance; it lives as long as the component.
    static frmKD562& Instancia();

    QString Transaccion() override;
    // Inverts (0, also when omitted), clears (1) or sets (2) every check mark of LV.
    Q_INVOKABLE void Selecciona_LV(corvanta::ListView* LV, int iModoSeleccion = 0);

    void CargaDatos();
    // Takes back the latest download not undone yet, after asking (question style 36);
    // forzar: even when the catalogue or its products changed since.
    Q_INVOKABLE void DeshazDescarga(bool forzar = false);
    // The same from the history dialog: after a refusal for changes made since, it names what
    // changed among what the download touched and offers to undo it anyway.
    void DeshazDesdeHistorial();
    // Queries the gateway with the stored account, as the account dialog's "Probar conexión"
    // does with the one typed, and tells what it found; nothing is written. False on failure,
    // FallaTransitoria telling whether it may pass by itself.
    Q_INVOKABLE bool PruebaCuenta();
    // The digest of the catalogue as stored, as the history keeps it for each entry.
    Q_INVOKABLE QString HuellaCatalogoActual();
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
    // Left by the traps of IniciaServicios and AddProducto, for the download to report once
    // it rolled back and recorded the attempt.
    std::optional<QString> sFallaInicio;
    std::optional<QString> sFallaMapeo;
    bool bSimulacion = false;
    bool bLimitaRetiros = false;
    QString sOrigen = QStringLiteral("ventana");
    int iDiasHistorial = 90;
    bool bHistorial = true;
    bool bFallaTransitoria = false;
    int iReintentarEnS = -1;

protected:
    void CreaControles(QWidget* ventana) override;
    void Form_Load() override;
    void Form_Resize() override;
    void Form_KeyUp(int& KeyCode, int Shift) override;

private:
    frmKD562();

    // "Configurar servicios", and its phases: plan without writing, confirm, apply.
    void Controles_B1Click();
    bool PlaneaDescarga(corvanta::Respuesta& oRespuesta, bool bConHistorial, DescargaPlaneada& d);
    bool ConfirmaDescarga(const DescargaPlaneada& d);
    bool AplicaDescarga(DescargaPlaneada& d, bool bConHistorial);
    // The list part of CargaDatos; throws on failure.
    void LlenaServicios();
    // Fills the list and its total from the list statement's rows.
    void MuestraServicios(corvanta::Recordset rs);
    // The list as stored, after a download that emptied it on screen and then failed.
    void RecargaLista();
    void InformaResumen(const QStringList& lineas);
    // After the list is loaded: the host shows what the history holds in its own fields,
    // reading it itself, outside CargaDatos and its trap.
    void InformaHistorial();
    // A line for the user outside the message boxes (standard error on the command line).
    void InformaAviso(const QString& texto);
    // How far a long download is (a FaseAvance), for a host that shows it while the user
    // waits.
    void InformaAvance(int fase, qint64 hecho, qint64 total = 0);
    // The progress window of a download run from the window, while one is shown.
    std::unique_ptr<corvanta::DialogoAvance> oAvance;
    void AbreAvance(bool bCancelable);
    // The history's tables, created when missing; false (told once) when they cannot be.
    bool PreparaHistorial();
    void RegistraDescarga(const QString& sFecha, const QString& sOperador,
                          const ResumenDescarga& tResumen, const CambiosDescarga& tCambios);
    // An attempt that ended without a commit; nothing when sResultado is empty or attempts
    // are not recorded in this download.
    void RegistraIntento(const QString& sResultado, const QString& sMensaje);
    bool bRegistraIntentos = false;
    // An entry of this terminal, dated sFecha.
    EntradaHistorial Entrada(const QString& sFecha, const QString& sResultado) const;
    void Controles_B3Click();
    // "Historial": the history dialog, then the screen loaded again.
    void Controles_B2Click();
    enum class ResultadoDeshacer { Si, No, Cambiaron };
    ResultadoDeshacer Deshace(bool forzar, qint64 confirmada, QStringList* cambiosDesde);
    std::optional<qint64> UltimaDescargaPorDeshacer();
    void Controles_Salir();
    void lvRegistros_ColumnClick(int columna);
    void lvRegistros_KeyUp(int KeyCode, int Shift);
    void lvRegistros_DblClick();
};

} // namespace kd562
