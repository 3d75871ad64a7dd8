#include "catalogue/Huellas.h"
#include "catalogue/ResumenDescarga.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "data/Historial.h"
#include "runtime/Error.h"
#include "runtime/Productos.h"
#include "runtime/TransaccionEnCurso.h"

#include <QDateTime>
#include <QSysInfo>

using namespace corvanta;

namespace kd562 {

EntradaHistorial frmKD562::Entrada(const QString& sFecha, const QString& sResultado) const {
    EntradaHistorial e;
    e.fecha = sFecha;
    e.operador = gConexion->Operador();
    e.terminal = QSysInfo::machineHostName();
    e.origen = sOrigen;
    e.resultado = sResultado;
    return e;
}

void frmKD562::InformaAviso(const QString& texto) {
    QObject* padre = Padre();
    if (!padre || !QMetaObject::invokeMethod(padre, "MuestraAviso", Qt::DirectConnection,
                                             Q_ARG(QString, texto)))
        qWarning("%s", qPrintable(texto));
}

QString frmKD562::HuellaCatalogoActual() {
    return HuellaCatalogo(LeeCatalogo());
}

void frmKD562::InformaHistorial() {
    QObject* padre = Padre();
    if (padre && padre->metaObject()->indexOfMethod("MuestraHistorial()") >= 0)
        QMetaObject::invokeMethod(padre, "MuestraHistorial", Qt::DirectConnection);
}

bool frmKD562::PreparaHistorial() {
    if (!bHistorial)
        return false;
    Connection& cnn = gConexion->Cnn();
    try {
        const bool existia = ExisteHistorial(cnn);
        if (!existia)
            CreaHistorial(cnn);
        // Made now, or made by an older version: its owner completes it; the others go on
        // without the entries' instant.
        if (!existia || !TieneInstante(cnn)) {
            if (EsDuenoHistorial(cnn)) {
                for (const QString& permiso : CompletaHistorial(cnn))
                    InformaAviso(
                        QStringLiteral("Permiso dado sobre el historial: %1").arg(permiso));
            } else {
                InformaAviso(QStringLiteral("El historial no guarda la hora universal de sus "
                                            "entradas (falta la columna "
                                            "Pos_Servicio_Descarga.Psd_Instante); el dueño de "
                                            "las tablas debe ejecutar \"kd562 init\""));
            }
        }
    } catch (const std::exception& e) {
        // A role that may not create tables (one that does not own the schema) still
        // downloads; the database's owner makes them once.
        InformaAviso(QStringLiteral("La descarga sigue sin historial: no se pudieron crear sus "
                                    "tablas (%1); el dueño de la base de datos debe ejecutar "
                                    "\"kd562 init\"")
                         .arg(DescripcionDe(e)));
        return false;
    }
    // Asked before the transaction opens: a refused INSERT there would abort the download.
    QStringList permisos = {QStringLiteral("SELECT"), QStringLiteral("INSERT")};
    if (iDiasHistorial > 0)
        permisos.append(QStringLiteral("DELETE"));
    if (const QString falta = PermisoFaltante(cnn, permisos); !falta.isEmpty()) {
        InformaAviso(QStringLiteral("La descarga sigue sin historial: %1; el dueño de las tablas "
                                    "le da los permisos de Pos_Servicio_Producto con \"kd562 "
                                    "init\"")
                         .arg(falta));
        return false;
    }
    return true;
}

void EscribeCambios(Connection& cnn, qint64 numero, const std::vector<const FilaServicio*>& antes,
                    const std::vector<const FilaServicio*>& despues,
                    const std::vector<const DatosProducto*>& productosAntes,
                    const std::vector<const DatosProducto*>& productosDespues) {
    const QString tabla = QStringLiteral("Pos_Servicio_Descarga_Cambio");
    const QStringList inicio = {QStringLiteral("Psd_Numero"), QStringLiteral("Psdc_Clase")};
    cnn.InsertaLote(tabla, inicio + ColumnasServicioCambio(), antes.size() + despues.size(),
                    [&](size_t i, QVariantList& fila) {
                        const bool nueva = i >= antes.size();
                        const FilaServicio& f = *(nueva ? despues[i - antes.size()] : antes[i]);
                        fila = {numero,    nueva ? ServicioDespues : ServicioAntes,
                                f.Clave,   f.Descripcion,
                                f.Tipo,    f.Grupo,
                                f.Monto,   f.Observacion,
                                f.Producto};
                    });
    cnn.InsertaLote(
        tabla, inicio + ColumnasProductoCambio(), productosAntes.size() + productosDespues.size(),
        [&](size_t i, QVariantList& fila) {
            const bool nuevo = i >= productosAntes.size();
            const DatosProducto& p =
                *(nuevo ? productosDespues[i - productosAntes.size()] : productosAntes[i]);
            fila = QVariantList{numero, nuevo ? ProductoDespues : ProductoAntes, p.Clave} +
                   Productos::Valores(p);
        });
}

void frmKD562::RegistraDescarga(const QString& sFecha, const QString& /*sOperador*/,
                                const ResumenDescarga& tResumen, const CambiosDescarga& tCambios) {
    Connection& cnn = gConexion->Cnn();
    EntradaHistorial e = Entrada(sFecha, Resultado::Guardada);
    e.cuentas = tResumen.Cuentas();
    e.huellaRespuesta = oCliente ? oCliente->HuellaRespuesta() : QString();
    e.huellaCatalogo = tCambios.huellaDespues;
    e.huellaProductos = HuellaProductos(tCambios.productos);
    const qint64 numero = AgregaEntrada(cnn, e);

    // The products it changes, as they were and as they will be; then those it creates.
    std::vector<const DatosProducto*> antes, despues = tCambios.productos;
    antes.reserve(tCambios.productos.size());
    for (const DatosProducto* p : tCambios.productos)
        antes.push_back(&*tPlan.leidos.constFind(p->Clave));
    despues.reserve(despues.size() + tPlan.nuevos.size());
    for (const DatosProducto& p : tPlan.nuevos)
        despues.push_back(&p);
    EscribeCambios(cnn, numero, tCambios.antes, tCambios.despues, antes, despues);

    // Capped as the configuration is: a cut-off past year 1 would wrap or be refused.
    if (iDiasHistorial > 0)
        PodaHistorial(cnn, gFunciones->FechaSQL(
                               QDateTime::fromString(sFecha, Qt::ISODate)
                                   .addDays(-std::min(iDiasHistorial, kMaximoDiasHistorial))));
}

void frmKD562::RegistraIntento(const QString& sResultado, const QString& sMensaje) {
    if (!bRegistraIntentos || sResultado.isEmpty())
        return;
    try {
        Connection& cnn = gConexion->Cnn();
        TransaccionEnCurso tTransaccion(cnn);
        EntradaHistorial e = Entrada(gFunciones->FechaSQL(gFunciones->FechaServidor()), sResultado);
        e.mensaje = sMensaje;
        AgregaEntrada(cnn, e);
        tTransaccion.Confirma();
    } catch (const std::exception& e) {
        InformaAviso(QStringLiteral("No se pudo registrar el intento en el historial: %1")
                         .arg(DescripcionDe(e)));
    }
}

} // namespace kd562
