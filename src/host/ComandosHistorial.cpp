#include "host/Comandos.h"
#include "host/PasosComando.h"

#include "data/Historial.h"
#include "host/Salida.h"
#include "runtime/Error.h"
#include "runtime/Sesion.h"

#include <QDateTime>
#include <cstdio>

using namespace corvanta;

namespace kd562host {

namespace {

// The history's columns: their tab-separated headings, aligned text's short ones, JSON's names.
QList<Columna> ColumnasHistorial() {
    QList<Columna> columnas = {
        {QStringLiteral("Número"), QStringLiteral("Nº"), QStringLiteral("numero"), Columna::Numero},
        {QStringLiteral("Fecha"), QString(), QStringLiteral("fecha"), Columna::Fecha},
        {QStringLiteral("Operador"), QString(), QStringLiteral("operador")},
        {QStringLiteral("Terminal"), QString(), QStringLiteral("terminal")},
        {QStringLiteral("Origen"), QString(), QStringLiteral("origen")},
        {QStringLiteral("Resultado"), QString(), QStringLiteral("resultado")}};
    const char* cuentas[][3] = {{"Servicios nuevos", "S+", "servicios_nuevos"},
                                {"Servicios retirados", "S-", "servicios_retirados"},
                                {"Servicios cambiados", "S~", "servicios_cambiados"},
                                {"Servicios sin cambio", "S=", "servicios_sin_cambio"},
                                {"Productos nuevos", "P+", "productos_nuevos"},
                                {"Productos cambiados", "P~", "productos_cambiados"},
                                {"Productos sin cambio", "P=", "productos_sin_cambio"}};
    for (const auto& c : cuentas)
        columnas.append({QString::fromUtf8(c[0]), QString::fromUtf8(c[1]), QString::fromUtf8(c[2]),
                         Columna::Numero});
    columnas.append({QStringLiteral("Mensaje"), QString(), QStringLiteral("mensaje")});
    return columnas;
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
    if (resultado != Hecho && Consola().UltimoTexto().contains(QStringLiteral("cambiaron "
                                                                              "después")))
        Aviso(QStringLiteral("--force la deshace de todos modos"), PrioridadAviso);
    else if (resultado != Hecho)
        AvisaSinSi(paso.opciones, QStringLiteral("No se deshizo nada"));
    return ImprimeResultado(paso, resultado);
}

int ComandoHistory(Paso& paso) {
    const Opciones& opciones = paso.opciones;
    Connection& cnn = Sesion::Conexion();
    const bool existe = HistorialUsable(cnn, {QStringLiteral("SELECT")});
    if (opciones.entrada > 0) {
        const auto entrada = existe ? kd562::LeeEntrada(cnn, opciones.entrada) : std::nullopt;
        if (!entrada) {
            EscribeLinea(
                stderr,
                QStringLiteral("No hay una entrada %1 en el historial").arg(opciones.entrada));
            return Rechazado;
        }
        const std::unique_ptr<Impresora> impresora = CreaImpresora(paso.formato, paso.salida);
        impresora->Dato(QStringLiteral("entrada"), entrada->numero);
        impresora->Dato(QStringLiteral("fecha"), Fecha(*entrada));
        impresora->Dato(QStringLiteral("resultado"), entrada->resultado);
        kd562::RecorreCambios(cnn, opciones.entrada,
                              [&](const QStringList& linea) { impresora->Cambio(linea); });
        impresora->Termina();
        return Hecho;
    }
    const std::unique_ptr<Impresora> impresora = CreaImpresora(paso.formato, paso.salida);
    impresora->Empieza(QStringLiteral("entradas"), ColumnasHistorial());
    for (const kd562::EntradaHistorial& e : existe ? kd562::LeeHistorial(cnn, opciones.limite)
                                                   : std::vector<kd562::EntradaHistorial>()) {
        Fila fila = {e.numero, Fecha(e), e.operador, e.terminal, e.origen, e.resultado};
        for (size_t i = 0; i < 7; ++i)
            fila.append(e.cuentas ? QVariant((*e.cuentas)[i]) : QVariant());
        fila.append(e.mensaje);
        impresora->Agrega(fila);
    }
    impresora->TerminaFilas();
    impresora->Termina();
    return Hecho;
}

} // namespace kd562host
