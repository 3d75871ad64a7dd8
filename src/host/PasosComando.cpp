#include "host/PasosComando.h"
#include "host/Comandos.h"

#include "controls/Etiqueta.h"
#include "controls/ListView.h"
#include "data/Tablas.h"
#include "forms/CargaModulo.h"
#include "host/Salida.h"
#include "runtime/Error.h"
#include "runtime/EscapaLinea.h"
#include "runtime/Sesion.h"

#include <QApplication>
#include <QFile>
#include <cstdio>
#include <sys/stat.h>

using namespace corvanta;

namespace kd562host {

namespace {

// The database keeps the gateway account: say so when any local user may read it.
void AvisaSiOtrosLeen(const QString& url) {
    if (!url.startsWith(QStringLiteral("sqlite:")))
        return;
    const QString ruta = url.mid(7);
    struct stat estado {};
    if (::stat(QFile::encodeName(ruta).constData(), &estado) == 0 && (estado.st_mode & S_IROTH))
        Aviso(QStringLiteral("aviso: otros usuarios pueden leer la base de datos %1, que guarda "
                             "la cuenta de la pasarela; quíteles el permiso con: chmod o-rwx %1")
                  .arg(ruta),
              PrioridadAviso);
}

void CompruebaTablas() {
    const QStringList faltan = kd562::TablasFaltantes(Sesion::Conexion());
    if (!faltan.isEmpty())
        throw Error(QStringLiteral("La base de datos no tiene las tablas %1; ejecute "
                                   "\"kd562 init\" primero")
                        .arg(faltan.join(QStringLiteral(", "))));
}

// A table of the same name but another shape is not ours to use or to change.
void CompruebaColumnas() {
    const QString falta = kd562::ColumnaFaltante(Sesion::Conexion());
    if (!falta.isEmpty())
        throw Error(
            QStringLiteral("La tabla %1 no tiene la columna %2")
                .arg(falta.section(QLatin1Char('.'), 0, 0), falta.section(QLatin1Char('.'), 1)));
}

// The module's screen, owned by dueno, told where it runs from and how long the history stays.
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

} // namespace

void AbreBase(bool crear) {
    Sesion::setCreaBase(crear);
    AvisaSiOtrosLeen(Sesion::Conexion().Url());
    if (!crear)
        CompruebaTablas();
    CompruebaColumnas();
}

PantallaSuite* Paso::Pantalla() {
    if (!mAnfitrion) {
        mAnfitrion = std::make_unique<Anfitrion>();
        mPantalla = CreaPantalla(opciones, mAnfitrion.get());
        mAnfitrion->Abre(mPantalla);
    }
    return mPantalla;
}

PantallaSuite* Paso::PantallaSinCargar() {
    return CreaPantalla(opciones, qApp);
}

void Paso::Cierra() {
    if (mAnfitrion)
        mAnfitrion->close();
}

MensajesConsola& Consola() {
    return static_cast<MensajesConsola&>(Sesion::Mensajes());
}

int Resultado() {
    const MensajesConsola& consola = Consola();
    if (consola.Cuenta(Critico) > 0 || consola.Cuenta(Exclamacion) > 0 ||
        consola.RespuestasNo() > 0)
        return Rechazado;
    return Hecho;
}

QToolButton* Boton(QWidget* ventana, const QString& nombre) {
    auto* boton = ventana->findChild<QToolButton*>(nombre);
    if (!boton)
        throw Error(QStringLiteral("La pantalla no tiene el botón %1").arg(nombre));
    return boton;
}

void ImprimeCeldas(QTextStream& salida, const QStringList& celdas) {
    for (qsizetype i = 0; i < celdas.size(); ++i) {
        if (i > 0)
            salida << '\t';
        salida << EscapaLinea(celdas.at(i));
    }
    salida << '\n';
}

void ImprimeLista(PantallaSuite* pantalla, QTextStream& salida) {
    QWidget* ventana = pantalla->Ventana();
    auto* lista = ventana->findChild<ListView*>(QStringLiteral("lvRegistros"));
    auto* total = ventana->findChild<Etiqueta*>(QStringLiteral("lbTotal"));
    if (!lista || !total)
        throw Error(QStringLiteral("La pantalla no tiene la lista de servicios"));
    QStringList encabezados;
    for (int c = 1; c <= lista->ColumnCount(); ++c)
        encabezados.append(lista->ColumnHeader(c));
    if (!encabezados.isEmpty())
        ImprimeCeldas(salida, encabezados);
    for (int i = 1; i <= lista->ListItemsCount(); ++i) {
        QStringList celdas;
        for (int c = 0; c < lista->ColumnCount(); ++c)
            celdas.append(lista->SubItem(i, c));
        ImprimeCeldas(salida, celdas);
    }
    if (!total->Caption().isEmpty())
        ImprimeCeldas(salida, {total->Caption()});
    salida.flush();
}

void ImprimeResultado(Paso& paso) {
    for (const QString& linea : paso.Contenedor().Resumen())
        EscribeLinea(stderr, linea);
    std::fflush(stderr);
    ImprimeLista(paso.Pantalla(), paso.salida);
}

} // namespace kd562host
