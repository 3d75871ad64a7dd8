#include "host/Comandos.h"
#include "host/PasosComando.h"

#include "data/Historial.h"
#include "host/Salida.h"
#include "runtime/Error.h"
#include "runtime/Sesion.h"

#include <cstdio>

using namespace corvanta;

namespace kd562host {

namespace {

QString Celda(const std::optional<std::array<int, 7>>& cuentas, size_t i) {
    return cuentas ? QString::number((*cuentas)[i]) : QString();
}

// "3 h 20 min".
QString Edad(qint64 segundos) {
    const qint64 minutos = std::max<qint64>(0, segundos) / 60;
    return minutos >= 60 ? QStringLiteral("%1 h %2 min").arg(minutos / 60).arg(minutos % 60)
                         : QStringLiteral("%1 min").arg(minutos);
}

// Whether the history is there; a role that may not use it as the command needs is told
// so before anything starts, rather than shown an empty history.
bool HistorialUsable(Connection& cnn, const QStringList& permisos) {
    if (!kd562::ExisteHistorial(cnn))
        return false;
    if (const QString falta = kd562::PermisoFaltante(cnn, permisos); !falta.isEmpty())
        throw Error(QStringLiteral("No se puede usar el historial: %1; el dueño de las tablas le "
                                   "da los permisos de Pos_Servicio_Producto con \"kd562 init\"")
                        .arg(falta));
    return true;
}

} // namespace

int ComandoUndo(Paso& paso) {
    Connection& cnn = Sesion::Conexion();
    if (!HistorialUsable(
            cnn, {QStringLiteral("SELECT"), QStringLiteral("INSERT"), QStringLiteral("UPDATE")}) ||
        !kd562::UltimaPorDeshacer(cnn)) {
        EscribeLinea(stderr, QStringLiteral("No hay descargas que deshacer"), PrioridadAviso);
        return Rechazado;
    }
    PantallaSuite* pantalla = paso.Pantalla();
    Consola().Reinicia();
    QMetaObject::invokeMethod(pantalla, "DeshazDescarga", Qt::DirectConnection,
                              Q_ARG(bool, paso.opciones.forzar));
    const int resultado = Resultado();
    ImprimeResultado(paso);
    return resultado;
}

int ComandoHistory(Paso& paso) {
    const Opciones& opciones = paso.opciones;
    QTextStream& salida = paso.salida;
    Connection& cnn = Sesion::Conexion();
    const bool existe = HistorialUsable(cnn, {QStringLiteral("SELECT")});
    if (opciones.entrada > 0) {
        if (!existe || !kd562::LeeEntrada(cnn, opciones.entrada)) {
            EscribeLinea(
                stderr,
                QStringLiteral("No hay una entrada %1 en el historial").arg(opciones.entrada));
            return Rechazado;
        }
        kd562::RecorreCambios(cnn, opciones.entrada,
                              [&](const QStringList& linea) { ImprimeCeldas(salida, linea); });
        return Hecho;
    }
    ImprimeCeldas(salida, {"Número", "Fecha", "Operador", "Terminal", "Origen", "Resultado",
                           "Servicios nuevos", "Servicios retirados", "Servicios cambiados",
                           "Servicios sin cambio", "Productos nuevos", "Productos cambiados",
                           "Productos sin cambio", "Mensaje"});
    if (!existe)
        return Hecho;
    for (const kd562::EntradaHistorial& e : kd562::LeeHistorial(cnn, opciones.limite)) {
        QStringList celdas = {
            QString::number(e.numero), e.fecha, e.operador, e.terminal, e.origen, e.resultado};
        for (size_t i = 0; i < 7; ++i)
            celdas.append(Celda(e.cuentas, i));
        celdas.append(e.mensaje);
        ImprimeCeldas(salida, celdas);
    }
    return Hecho;
}

int ComandoStatus(Paso& paso) {
    const Opciones& opciones = paso.opciones;
    QTextStream& salida = paso.salida;
    Connection& cnn = Sesion::Conexion();
    const std::optional<kd562::EntradaHistorial> ultima =
        HistorialUsable(cnn, {QStringLiteral("SELECT")}) ? kd562::UltimaConfirmada(cnn)
                                                         : std::nullopt;
    if (!ultima) {
        // A first night that failed is named, not hidden behind an empty history.
        const auto intento =
            kd562::ExisteHistorial(cnn) ? kd562::IntentoPosterior(cnn, 0) : std::nullopt;
        if (!intento) {
            salida << "Aún no hay historial de descargas\n";
            return Rechazado;
        }
        salida << "Aún no se ha guardado ninguna descarga\n";
        ImprimeCeldas(salida, {QStringLiteral("Último intento, %1 (%2): %3")
                                   .arg(intento->fecha, intento->resultado, intento->mensaje)});
        return Rechazado;
    }
    const auto edad = [&](const kd562::EntradaHistorial& e) {
        return kd562::SegundosDesde(cnn, e);
    };
    // "Descarga 12 (deshecha después)" or "Deshacer 13 (de la descarga 12)".
    QString cual = ultima->resultado == kd562::Resultado::Deshacer
                       ? QStringLiteral("Deshacer %1 (de la descarga %2)")
                             .arg(ultima->numero)
                             .arg(ultima->deshace)
                       : QStringLiteral("Descarga %1").arg(ultima->numero);
    if (ultima->resultado == kd562::Resultado::Deshecha)
        cual += QStringLiteral(" (deshecha después)");
    ImprimeCeldas(salida, {QStringLiteral("%1: %2, hace %3, por %4 en %5")
                               .arg(cual, ultima->fecha, Edad(edad(*ultima)), ultima->operador,
                                    ultima->terminal)});
    if (ultima->cuentas)
        for (const QString& linea : kd562::LineasDeCuentas(*ultima->cuentas))
            salida << linea << '\n';
    // The catalogue as that entry left it, or changed by hand since.
    PantallaSuite* pantalla = paso.PantallaSinCargar();
    QString huella;
    QMetaObject::invokeMethod(pantalla, "HuellaCatalogoActual", Qt::DirectConnection,
                              Q_RETURN_ARG(QString, huella));
    salida << (huella == ultima->huellaCatalogo
                   ? QStringLiteral("El catálogo está como lo dejó la entrada %1\n")
                   : QStringLiteral("El catálogo cambió después de la entrada %1\n"))
                  .arg(ultima->numero);
    int resultado = Hecho;
    if (const auto intento = kd562::IntentoPosterior(cnn, ultima->numero)) {
        ImprimeCeldas(salida, {QStringLiteral("Después, %1 (%2): %3")
                                   .arg(intento->fecha, intento->resultado, intento->mensaje)});
        resultado = Rechazado;
    }
    if (opciones.edadMaxima > 0) {
        const std::optional<kd562::EntradaHistorial> descarga = kd562::UltimaDescarga(cnn);
        if (!descarga || edad(*descarga) > opciones.edadMaxima * 3600) {
            salida << QStringLiteral("La última descarga tiene más de %1 h\n")
                          .arg(opciones.edadMaxima);
            resultado = Rechazado;
        }
    }
    return resultado;
}

} // namespace kd562host
