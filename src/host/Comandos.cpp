#include "host/Comandos.h"

#include "controls/Etiqueta.h"
#include "controls/ListView.h"
#include "data/Tablas.h"
#include "forms/CargaModulo.h"
#include "host/Anfitrion.h"
#include "host/DatosDemo.h"
#include "host/Salida.h"
#include "runtime/Error.h"
#include "runtime/EscapaLinea.h"
#include "runtime/MensajesConsola.h"
#include "runtime/Sesion.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <iostream>
#include <string>
#include <sys/stat.h>

using namespace corvanta;

namespace kd562host {

namespace {

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

// The database keeps the gateway account: say so when any local user may read it.
void AvisaSiOtrosLeen(const QString& url) {
    if (!url.startsWith(QStringLiteral("sqlite:")))
        return;
    const QString ruta = url.mid(7);
    struct stat estado {};
    if (::stat(QFile::encodeName(ruta).constData(), &estado) == 0 && (estado.st_mode & S_IROTH))
        Aviso(QStringLiteral("aviso: otros usuarios pueden leer la base de datos %1, que guarda "
                             "la cuenta de la pasarela; quíteles el permiso con: chmod o-rwx %1")
                  .arg(ruta));
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

int ComandoInit(const Opciones& opciones, QTextStream& salida) {
    kd562::CreaTablas(Sesion::Conexion());
    if (opciones.demo) {
        const int agregados = AgregaProductosDemo(Sesion::Conexion());
        salida << QStringLiteral("Productos de muestra agregados: %1").arg(agregados) << Qt::endl;
    }
    return Hecho;
}

int ComandoList(const Opciones& opciones, QTextStream& salida) {
    Anfitrion anfitrion;
    PantallaSuite* pantalla = CreaPantalla(opciones, &anfitrion);
    anfitrion.Abre(pantalla);
    // A screen that failed to load its list reported it with a critical message.
    const int resultado = Consola().Cuenta(Critico) > 0 ? Rechazado : Hecho;
    ImprimeLista(pantalla, salida);
    anfitrion.close();
    return resultado;
}

int ComandoSync(const Opciones& opciones, QTextStream& salida) {
    Anfitrion anfitrion;
    PantallaSuite* pantalla = CreaPantalla(opciones, &anfitrion);
    anfitrion.Abre(pantalla);
    Consola().Reinicia();
    // Unattended, a reply that would retire most of the catalogue stops before writing.
    pantalla->setProperty("Simulacion", opciones.simulacion);
    pantalla->setProperty("LimitaRetiros", !opciones.permiteReduccion);
    Boton(pantalla->Ventana(), QStringLiteral("b1"))->click();
    const int resultado = Resultado();
    for (const QString& linea : anfitrion.Resumen())
        EscribeLinea(stderr, linea);
    // Only a preview that went through has something to say it did not keep.
    if (opciones.simulacion && resultado == Hecho)
        EscribeLinea(stderr, QStringLiteral("Simulación: no se guardó ningún cambio"));
    std::fflush(stderr);
    ImprimeLista(pantalla, salida);
    anfitrion.close();
    return resultado;
}

QString LeePassword() {
    std::string linea;
    if (!std::getline(std::cin, linea) && linea.empty())
        throw Error(QStringLiteral("No se recibió la contraseña por la entrada estándar"));
    QString password = QString::fromStdString(linea);
    if (password.endsWith(QLatin1Char('\r')))
        password.chop(1);
    return password;
}

int ComandoAccount(const Opciones& opciones, QTextStream& /*salida*/) {
    std::optional<QString> password;
    if (opciones.passwordStdin)
        password = LeePassword();
    Anfitrion anfitrion;
    PantallaSuite* pantalla = CreaPantalla(opciones, &anfitrion);
    anfitrion.Abre(pantalla);
    Consola().Reinicia();

    bool guardado = false;
    bool dialogoVisto = false;
    // The dialog is modal: it is filled and accepted from inside its own loop.
    QTimer::singleShot(0, &anfitrion, [&] {
        QWidget* dialogo = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("frmConfiguracion") && w->isVisible())
                dialogo = w;
        if (!dialogo)
            return;
        dialogoVisto = true;
        auto rellena = [&](const char* nombre, const std::optional<QString>& valor) {
            if (!valor)
                return;
            if (auto* caja = dialogo->findChild<QLineEdit*>(QString::fromLatin1(nombre)))
                caja->setText(*valor);
        };
        rellena("txtUrlWs", opciones.url);
        rellena("txtUsuario", opciones.usuario);
        rellena("txtPassword", password);
        Boton(dialogo, QStringLiteral("b1"))->click();
        guardado = !dialogo->isVisible();
        if (!guardado)
            Boton(dialogo, QStringLiteral("b2"))->click();
    });
    Boton(pantalla->Ventana(), QStringLiteral("b3"))->click();
    anfitrion.close();
    if (!dialogoVisto)
        return Rechazado;
    return guardado && Resultado() == Hecho ? Hecho : Rechazado;
}

int ComandoShow(const Opciones& opciones) {
    auto* anfitrion = new Anfitrion;
    anfitrion->setAttribute(Qt::WA_DeleteOnClose);
    PantallaSuite* pantalla = CreaPantalla(opciones, qApp);
    anfitrion->Abre(pantalla);
    return QApplication::exec();
}

} // namespace

int EjecutaComando(const Opciones& opciones, QTextStream& salida) {
    // The database is checked before any screen is shown: a bad path is a usage error.
    // Only init may create the database file.
    const bool init = opciones.comando == QStringLiteral("init");
    try {
        Sesion::setCreaBase(init);
        AvisaSiOtrosLeen(Sesion::Conexion().Url());
        if (!init)
            CompruebaTablas();
        CompruebaColumnas();
    } catch (const std::exception& e) {
        Aviso(DescripcionDe(e));
        return ErrorDeUso;
    }
    try {
        if (init)
            return ComandoInit(opciones, salida);
        if (opciones.comando == QStringLiteral("list"))
            return ComandoList(opciones, salida);
        if (opciones.comando == QStringLiteral("sync"))
            return ComandoSync(opciones, salida);
        if (opciones.comando == QStringLiteral("account"))
            return ComandoAccount(opciones, salida);
        return ComandoShow(opciones);
    } catch (const std::exception& e) {
        Aviso(DescripcionDe(e));
        return ErrorDeUso;
    }
}

} // namespace kd562host
