#include "host/PasosComando.h"
#include "host/Comandos.h"

#include "controls/Etiqueta.h"
#include "controls/ListView.h"
#include "data/Historial.h"
#include "data/Tablas.h"
#include "forms/CargaModulo.h"
#include "host/Anfitrion.h"
#include "host/DatosDemo.h"
#include "host/Salida.h"
#include "runtime/Error.h"
#include "runtime/EscapaLinea.h"
#include "runtime/Funciones.h"
#include "runtime/MensajesConsola.h"
#include "runtime/Sesion.h"
#include "runtime/Valores.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <sys/stat.h>

using namespace corvanta;

namespace kd562host {

MensajesConsola& Consola() {
    return static_cast<MensajesConsola&>(Sesion::Mensajes());
}

// The command failed after its action when the screen warned, failed, or was told No.
int Resultado() {
    const MensajesConsola& consola = Consola();
    if (consola.Cuenta(Critico) > 0 || consola.Cuenta(Exclamacion) > 0 ||
        consola.RespuestasNo() > 0)
        return Rechazado;
    return Hecho;
}

PantallaSuite* CreaPantalla(const Opciones& opciones, QObject* dueno) {
    IModulo* modulo = CargaModulo(opciones.modulos, QStringLiteral("KD562"));
    QObject* pantalla = modulo->CreaObjeto(QStringLiteral("Pantalla"));
    if (!pantalla)
        throw Error(QStringLiteral("El módulo KD562 no ofrece la clase Pantalla"));
    pantalla->setParent(dueno);
    auto* screen =
        qobject_cast<PantallaSuite*>(pantalla->property("GetPantalla").value<QObject*>());
    if (!screen)
        throw Error(QStringLiteral("El módulo KD562 no entregó su pantalla"));
    // For the history: where it runs from and how long entries stay. KD562_BANCO_SIN_HISTORIAL
    // turns the history off, only to measure what it costs.
    screen->setProperty("Origen", opciones.comando == QStringLiteral("show")
                                      ? QStringLiteral("ventana")
                                      : QStringLiteral("linea"));
    screen->setProperty("DiasHistorial", opciones.diasHistorial);
    screen->setProperty("Historial", qEnvironmentVariableIsEmpty("KD562_BANCO_SIN_HISTORIAL"));
    return screen;
}

void ImprimeLista(PantallaSuite* pantalla, QTextStream& salida) {
    QWidget* ventana = pantalla->Ventana();
    auto* lista = ventana->findChild<ListView*>(QStringLiteral("lvRegistros"));
    auto* total = ventana->findChild<Etiqueta*>(QStringLiteral("lbTotal"));
    if (!lista || !total)
        throw Error(QStringLiteral("La pantalla no tiene la lista de servicios"));
    QStringList encabezados;
    for (int c = 1; c <= lista->ColumnCount(); ++c)
        encabezados.append(EscapaLinea(lista->ColumnHeader(c)));
    if (!encabezados.isEmpty())
        salida << encabezados.join(QLatin1Char('\t')) << '\n';
    for (int i = 1; i <= lista->ListItemsCount(); ++i) {
        QStringList celdas;
        for (int c = 0; c < lista->ColumnCount(); ++c)
            celdas.append(EscapaLinea(lista->SubItem(i, c)));
        salida << celdas.join(QLatin1Char('\t')) << '\n';
    }
    if (!total->Caption().isEmpty())
        salida << EscapaLinea(total->Caption()) << '\n';
    salida.flush();
}

QToolButton* Boton(QWidget* ventana, const QString& nombre) {
    auto* boton = ventana->findChild<QToolButton*>(nombre);
    if (!boton)
        throw Error(QStringLiteral("La pantalla no tiene el botón %1").arg(nombre));
    return boton;
}

// The summary on standard error, then the list on standard output.
void ImprimeResultado(const Anfitrion& anfitrion, PantallaSuite* pantalla, QTextStream& salida) {
    for (const QString& linea : anfitrion.Resumen())
        EscribeLinea(stderr, linea);
    std::fflush(stderr);
    ImprimeLista(pantalla, salida);
}

} // namespace kd562host
