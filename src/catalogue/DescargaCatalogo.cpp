#include "account/ConsultaPasarela.h"
#include "catalogue/DescargaPlaneada.h"
#include "catalogue/Huellas.h"
#include "catalogue/ResumenDescarga.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "data/Avance.h"
#include "data/Historial.h"
#include "forms/PunteroRaton.h"
#include "runtime/Error.h"
#include "runtime/ErroresMotor.h"
#include "runtime/Productos.h"
#include "runtime/TransaccionEnCurso.h"
#include "runtime/Valores.h"

using namespace corvanta;

namespace kd562 {

// "Configurar servicios": replaces the stored catalogue with the gateway's and ties every
// service to a product. The change is planned in memory, in a transaction that only reads;
// what it retires or changes is shown and confirmed; then exactly that plan is written in a
// transaction of its own, in a few set-wise statements (a shop's server may be a network
// away), or nothing is. The history keeps every download and, from the account set-up on,
// every attempt that did not commit.
void frmKD562::Controles_B1Click() {
    const QString sTitulo = QStringLiteral("Controles_B1Click()");
    if (sUrlWs == QString()) {
        gConexion->Mensaje(QStringLiteral("No se encontró información de credenciales "
                                          "configuradas"),
                           Exclamacion, sTitulo, hWnd());
        return;
    }
    // Once the list was emptied on screen, every way out but success shows it as stored.
    bool bListaVaciada = false;
    bRegistraIntentos = false;
    bFallaTransitoria = false;
    iReintentarEnS = -1;
    // A way out without a commit: recorded first (the transaction is over by now), then told.
    auto Termina = [&](const QString& sResultado, const QString& sTexto, int iEstilo,
                       const QString& sTituloMensaje, const QString& sModulo,
                       const QString& sIdError = QString()) {
        oAvance.reset();
        RegistraIntento(sResultado, sTexto);
        gConexion->Mensaje(sTexto, iEstilo, sTituloMensaje, hWnd(), sModulo, sIdError);
        if (bListaVaciada)
            RecargaLista();
        InformaHistorial();
    };
    try {
        Recordset rs = EjecutaSQL(QStringLiteral("SELECT ISNULL(COUNT(Psp_Cve_Producto),0) as Cont "
                                                 "FROM Pos_Servicio_Producto "));
        if (rs.Eof()) {
            gConexion->Mensaje(QStringLiteral("No se encontró información de credenciales "
                                              "configuradas"),
                               Exclamacion, sTitulo, hWnd());
            return;
        }
        if (Doble(rs.Fields(QStringLiteral("Cont"))) > 0 && !bSimulacion) {
            const int iRespuesta = gConexion->Mensaje(
                QStringLiteral("Se han registrado servicios previamente\r\nDesea generar una "
                               "nueva configuración?\r\n\r\nEste cambio borrara la "
                               "configuración anterior!"),
                Pregunta, QStringLiteral("Generar nueva configuración?"), hWnd(), Modulo);
            if (iRespuesta == RespuestaNo) {
                CargaDatos();
                InformaHistorial();
                return;
            }
            lbTotal->setCaption(QStringLiteral("Total: 0"));
            lvRegistros->ListItemsClear();
            bListaVaciada = true;
        }
        rs.Close();
        // From here on an attempt is recorded; a preview never is.
        const bool bConHistorial = !bSimulacion && PreparaHistorial();
        bRegistraIntentos = bConHistorial;

        sFallaInicio.reset();
        if (!IniciaServicios()) {
            bFallaTransitoria = sFallaInicio && EsTransitoria(*sFallaInicio);
            if (sFallaInicio)
                Termina(Resultado::Fallida, *sFallaInicio, Critico,
                        QStringLiteral("IniciaServicios()"), QString());
            else if (bListaVaciada)
                Termina(QString(), sMensaje, Critico, sTitulo, Modulo);
            else
                gConexion->Mensaje(sMensaje, Critico, sTitulo, hWnd(), Modulo);
            return;
        }
        // The window stays alive while the gateway answers, and the user may give up.
        Respuesta oRespuesta;
        AbreAvance(true);
        const bool bRespondio =
            ConsultaMientrasEspera(*oCliente, *oParametros, oRespuesta, oAvance.get(),
                                   [this](qint64 bytes) { InformaAvance(AvanceRecibidos, bytes); });
        if (oAvance && oAvance->Cancelacion()) {
            oAvance.reset();
            RegistraIntento(
                Resultado::Cancelada,
                QStringLiteral("Se canceló la consulta a la pasarela; no se guardó nada"));
            if (bListaVaciada)
                RecargaLista();
            InformaHistorial();
            return;
        }
        if (!bRespondio) {
            bFallaTransitoria = oCliente->FallaTransitoria();
            iReintentarEnS = oCliente->ReintentarEnS();
            Termina(Resultado::Fallida, oCliente->UltimoError(), Critico, sTitulo, Modulo);
            return;
        }
        if (Concatena(oRespuesta.Item("code").Valor()) != QStringLiteral("200")) {
            Termina(Resultado::Fallida, Concatena(oRespuesta.Item("message").Valor()), Critico,
                    sTitulo, Modulo);
            return;
        }

        // Plan, in a transaction that only reads and that closes before anything is asked.
        DescargaPlaneada tPlaneada;
        sFallaMapeo.reset();
        if (!PlaneaDescarga(oRespuesta, bConHistorial, tPlaneada)) {
            // The mapping's own trap is reported here, once nothing is held any more.
            bFallaTransitoria = sFallaMapeo && EsTransitoria(*sFallaMapeo);
            if (sFallaMapeo)
                Termina(Resultado::Fallida, *sFallaMapeo, Critico, QStringLiteral("AddProducto()"),
                        Modulo);
            else
                Termina(Resultado::Rechazada, sMensaje, Critico, QStringLiteral("Corvanta"),
                        Modulo);
            return;
        }
        oAvance.reset();
        if (bSimulacion) {
            // The list as it would be, from the plan; nothing was written.
            if (tPlaneada.resumen.RetiraDemasiado())
                tPlaneada.lineas.append(tPlaneada.resumen.LineaRetiro());
            MuestraServicios(std::move(*tPlaneada.prevista));
            InformaResumen(tPlaneada.lineas);
            return;
        }
        if (tPlaneada.resumen.RetiraDemasiado() && bLimitaRetiros) {
            Termina(Resultado::Rechazada, tPlaneada.resumen.LineaRetiro(), Exclamacion, sTitulo,
                    Modulo);
            return;
        }

        // Confirm: what it changes is shown before it is saved.
        if (!ConfirmaDescarga(tPlaneada)) {
            RegistraIntento(Resultado::Descartada, QStringLiteral("No se guardó: ") +
                                                       tPlaneada.lineas.join(QStringLiteral("; ")));
            CargaDatos();
            InformaHistorial();
            return;
        }

        // Apply, in a transaction of its own: exactly what was shown, or nothing. Once the
        // writes begin they cannot be cancelled; they end in a commit or a rollback.
        AbreAvance(false);
        const bool bAplicada = AplicaDescarga(tPlaneada, bConHistorial);
        oAvance.reset();
        if (!bAplicada) {
            // Another terminal wrote meanwhile: worth another try, which plans anew.
            bFallaTransitoria = true;
            Termina(Resultado::Fallida,
                    QStringLiteral("El catálogo o sus productos cambiaron desde que se preparó la "
                                   "descarga; no se guardó nada, intente de nuevo"),
                    Exclamacion, sTitulo, Modulo);
            CargaDatos();
            InformaHistorial();
            return;
        }
        CargaDatos();
        InformaHistorial();
        InformaResumen(tPlaneada.lineas);
    } catch (const ConfirmacionIncierta& e) {
        // The link died with the COMMIT sent and the server could not say how it ended.
        PunteroRaton::Fija(PunteroNormal);
        Termina(Resultado::Desconocida,
                QStringLiteral("No se sabe si la descarga se guardó: %1").arg(e.Descripcion()),
                Critico, sTitulo, Modulo, QStringLiteral("ERR-ID:7500002"));
    } catch (const std::exception& e) {
        PunteroRaton::Fija(PunteroNormal);
        bFallaTransitoria = EsTransitoria(DescripcionDe(e));
        Termina(Resultado::Fallida, DescripcionDe(e), Critico, sTitulo, Modulo,
                QStringLiteral("ERR-ID:7500002"));
    }
}

// Reads the stored catalogue and products and plans the reply against them, in a transaction
// that only reads: no lock is held once it returns. False when the mapping refused (sMensaje,
// or sFallaMapeo for its own failure).
bool frmKD562::PlaneaDescarga(Respuesta& oRespuesta, bool bConHistorial, DescargaPlaneada& d) {
    // Left by any way but Confirma, the transaction ends before the trap's message. A role
    // that may only read can plan.
    TransaccionEnCurso tTransaccion(gConexion->Cnn(), Connection::Acceso::Lectura);
    PunteroRaton::Fija(PunteroReloj);

    // Plan: every row the INSERTs would write, checked in reply order, then the mapping.
    tPlan = PlanDescarga();
    d.antes = LeeCatalogo();
    const qint32 iTotal = oRespuesta.Item("result").Count();
    // The count is the gateway's word: a list of empty elements under the size cap may
    // claim millions of rows, so room grows with the rows actually read past this much.
    tPlan.filas.reserve(static_cast<size_t>(std::clamp(iTotal, 0, 1 << 16)));
    for (qint32 i = 1; i <= iTotal; ++i) {
        tPlan.filas.push_back(LeeServicio(oRespuesta.Item("result").Item(i)));
        if (i % 1000 == 0)
            InformaAvance(AvancePlaneados, i, iTotal);
    }
    // Every row is in the plan: the parsed reply, several times its body, can go.
    oRespuesta = Respuesta();
    if (!AddProducto()) {
        PunteroRaton::Fija(PunteroNormal);
        tTransaccion.Deshace();
        return false;
    }

    d.resumen = ResumeDescarga(d.antes, tPlan, bConHistorial ? &d.cambios : nullptr);
    d.lineas = d.resumen.Lineas();
    d.marca = gConexion->Cnn().MarcaDeCambios();
    if (bSimulacion)
        d.prevista = ListaPrevista(tPlan);
    tTransaccion.Deshace();
    PunteroRaton::Fija(PunteroNormal);
    return true;
}

// Asks whether to save a plan that retires or changes anything, its summary in the question;
// No is the default when it would retire most of the stored services. A plan that only adds
// asks nothing.
bool frmKD562::ConfirmaDescarga(const DescargaPlaneada& d) {
    if (d.resumen.SoloAgrega())
        return true;
    QString sTexto = d.lineas.join(QStringLiteral("\r\n")) +
                     QStringLiteral("\r\n\r\nDesea guardar estos cambios?");
    int iEstilo = Pregunta;
    if (d.resumen.RetiraDemasiado()) {
        sTexto = d.resumen.AvisoRetiro() + QStringLiteral("!\r\n\r\n") + sTexto;
        iEstilo += SegundoBotonPorOmision;
    }
    return gConexion->Mensaje(sTexto, iEstilo, QStringLiteral("Guardar la descarga?"), hWnd(),
                              Modulo) != RespuestaNo;
}

// Writes the plan in a transaction of its own that takes the write lock at its start, once
// it has checked that the catalogue and the products it read are still as planned; false,
// writing nothing, when they are not. When nothing was committed since the plan, there is
// nothing to read again.
bool frmKD562::AplicaDescarga(DescargaPlaneada& d, bool bConHistorial) {
    TransaccionEnCurso tTransaccion(gConexion->Cnn());
    PunteroRaton::Fija(PunteroReloj);
    Productos oProducto;
    const auto productosComoSeLeyeron = [&] {
        QStringList claves; // of every product the plan saves
        for (const auto* productos : {&tPlan.nuevos, &tPlan.existentes})
            for (const DatosProducto& p : *productos)
                claves.append(p.Clave);
        return HuellaProductos(oProducto.Lee(claves)) == HuellaProductos(tPlan.leidos);
    };
    if (gConexion->Cnn().MarcaDeCambios() != d.marca &&
        (HuellaCatalogo(LeeCatalogo()) != HuellaCatalogo(d.antes) || !productosComoSeLeyeron())) {
        tTransaccion.Deshace();
        PunteroRaton::Fija(PunteroNormal);
        return false;
    }
    const QString sFecha = gFunciones->FechaSQL(gFunciones->FechaServidor());
    const QString sOperador = gConexion->Operador();
    if (bConHistorial)
        RegistraDescarga(sFecha, sOperador, d.resumen, d.cambios);
    // What was stored before served the plan, the summary and the history only.
    d.cambios = CambiosDescarga();
    d.antes = {};
    tPlan.leidos.clear();

    // Apply: the DELETE, then the rows and the products in batches.
    EjecutaSQL(QStringLiteral("DELETE FROM Pos_Servicio_Producto "));
    const qint64 iFilas = qint64(tPlan.filas.size());
    gConexion->Cnn().InsertaLote(QStringLiteral("Pos_Servicio_Producto"), ColumnasServicio(),
                                 tPlan.filas.size(), [&](size_t i, QVariantList& valores) {
                                     valores = ValoresServicio(tPlan.filas[i], sFecha, sOperador);
                                     if ((i + 1) % 1000 == 0 || qint64(i + 1) == iFilas)
                                         InformaAvance(AvanceServicios, qint64(i + 1), iFilas);
                                 });
    oProducto.GuardaProductos(tPlan.nuevos, tPlan.existentes, [this](size_t hechos, size_t total) {
        if (hechos % 1000 == 0 || hechos == total)
            InformaAvance(AvanceProductos, qint64(hechos), qint64(total));
    });
    tPlan = PlanDescarga();
    tTransaccion.Confirma();
    PunteroRaton::Fija(PunteroNormal);
    return true;
}

// Hands the summary to the host, which shows it its own way (a status line, standard error).
void frmKD562::InformaResumen(const QStringList& lineas) {
    if (QObject* padre = Padre())
        QMetaObject::invokeMethod(padre, "MuestraResumen", Qt::DirectConnection,
                                  Q_ARG(QStringList, lineas));
}

} // namespace kd562
