#include "host/Comandos.h"
#include "host/EstadoDescargas.h"
#include "host/PasosComando.h"

#include "data/Historial.h"
#include "host/Salida.h"
#include "runtime/Connection.h"
#include "runtime/Error.h"
#include "runtime/Sesion.h"

#include <QSaveFile>
#include <sys/stat.h>

using namespace corvanta;

namespace kd562host {

namespace {

// Everything status reports, read in one place; whatever stops the reading leaves the facts
// unreadable, with the reason.
EstadoDescargas LeeEstado(Paso& paso) {
    EstadoDescargas e;
    try {
        AbreBase(false);
        Connection& cnn = Sesion::Conexion();
        e.hayHistorial = HistorialUsable(cnn, {QStringLiteral("SELECT")});
        Recordset rs =
            cnn.Execute(QStringLiteral("SELECT COUNT(*) AS Cont FROM Pos_Servicio_Producto"));
        e.servicios = rs.Fields(QStringLiteral("Cont")).toLongLong();
        if (e.hayHistorial) {
            e.ultima = kd562::UltimaConfirmada(cnn);
            e.descarga = kd562::UltimaDescarga(cnn);
            e.falla = kd562::IntentoPosterior(cnn, e.ultima ? e.ultima->numero : 0);
            const std::vector<kd562::EntradaHistorial> reciente = kd562::LeeHistorial(cnn, 1);
            if (!reciente.empty())
                e.reciente = reciente.front();
            if (e.ultima)
                e.edadUltima = kd562::SegundosDesde(cnn, *e.ultima);
            if (e.descarga)
                e.edadDescarga = kd562::SegundosDesde(cnn, *e.descarga);
        }
        if (e.ultima) {
            // The catalogue as that entry left it, or changed by hand since.
            QString huella;
            QMetaObject::invokeMethod(paso.PantallaSinCargar(), "HuellaCatalogoActual",
                                      Qt::DirectConnection, Q_RETURN_ARG(QString, huella));
            e.comoLoDejo = huella == e.ultima->huellaCatalogo;
        }
        e.legible = true;
    } catch (const std::exception& error) {
        e = EstadoDescargas();
        e.error = DescripcionDe(error);
    }
    return e;
}

// --output: the whole file or none, readable by the exporter's own user whatever the umask.
void EscribeArchivo(const QString& ruta, const QByteArray& contenido) {
    QSaveFile archivo(ruta);
    if (!archivo.open(QIODevice::WriteOnly) || archivo.write(contenido) != contenido.size() ||
        ::fchmod(archivo.handle(), 0644) != 0 || !archivo.commit())
        throw Error(QStringLiteral("No se pudo escribir %1: %2").arg(ruta, archivo.errorString()));
}

} // namespace

int ComandoStatus(Paso& paso) {
    const Opciones& opciones = paso.opciones;
    EstadoDescargas estado = LeeEstado(paso);
    Evalua(estado, opciones);
    if (!estado.legible)
        Aviso(estado.error);
    QString texto;
    switch (paso.formato) {
    case Formato::Nagios:
        texto = EstadoNagios(estado, opciones);
        break;
    case Formato::Prometheus:
        texto = EstadoPrometheus(estado);
        break;
    case Formato::Texto:
        texto = estado.legible ? EstadoEnTexto(estado) : QString();
        break;
    default: {
        QTextStream hechos(&texto);
        const std::unique_ptr<Impresora> impresora = CreaImpresora(paso.formato, hechos);
        EstadoEnHechos(estado, *impresora);
        impresora->Termina();
    }
    }
    try {
        if (opciones.archivoSalida.isEmpty()) {
            paso.salida << texto;
            paso.salida.flush();
        } else {
            EscribeArchivo(opciones.archivoSalida, texto.toUtf8());
        }
    } catch (const std::exception& e) {
        Aviso(DescripcionDe(e));
        return Desconocida;
    }
    return estado.nivel;
}

} // namespace kd562host
