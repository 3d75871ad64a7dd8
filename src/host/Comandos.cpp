#include "host/Comandos.h"

#include "host/PasosComando.h"

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

// The wait before try `intento` + 1: about 30 s, doubling each time, with a fifth either way
// at random so that tills do not all come back at once, up to 10 min; the gateway's own
// Retry-After replaces it (up to the same cap). KD562_ESCALA_ESPERAS scales the computed
// waits, for tests.
double EsperaReintento(int intento, int reintentarEnS) {
    constexpr double kTope = 600;
    if (reintentarEnS >= 0)
        return std::min<double>(reintentarEnS, kTope);
    const double base = std::min(kTope, 30.0 * std::pow(2.0, intento - 1));
    const double azar = 0.8 + 0.4 * QRandomGenerator::global()->generateDouble();
    bool ok = false;
    const double escala = qEnvironmentVariable("KD562_ESCALA_ESPERAS").toDouble(&ok);
    return std::min(kTope, base * azar) * (ok && escala >= 0 ? escala : 1.0);
}

int ComandoSync(const Opciones& opciones, QTextStream& salida) {
    Anfitrion anfitrion;
    PantallaSuite* pantalla = CreaPantalla(opciones, &anfitrion);
    anfitrion.Abre(pantalla);
    // Unattended, a reply that would retire most of the catalogue stops before writing.
    pantalla->setProperty("Simulacion", opciones.simulacion);
    pantalla->setProperty("LimitaRetiros", !opciones.permiteReduccion);
    // A failure that may pass by itself is tried again, by pressing the button again; the
    // screen itself retries nothing.
    const int intentos = opciones.simulacion ? 1 : 1 + opciones.reintentos;
    int resultado = Hecho;
    for (int intento = 1;; ++intento) {
        Consola().Reinicia();
        Boton(pantalla->Ventana(), QStringLiteral("b1"))->click();
        resultado = Resultado();
        if (resultado == Hecho || intento == intentos ||
            !pantalla->property("FallaTransitoria").toBool())
            break;
        const double espera = EsperaReintento(intento, pantalla->property("ReintentarEnS").toInt());
        Aviso(QStringLiteral("el intento %1 de %2 falló; el siguiente empieza a las %3 (en %4 s)")
                  .arg(intento)
                  .arg(intentos)
                  .arg(QDateTime::currentDateTime()
                           .addMSecs(qint64(espera * 1000))
                           .toString(QStringLiteral("HH:mm:ss")))
                  .arg(qRound(espera)),
              PrioridadAviso);
        std::fflush(stderr);
        QThread::msleep(static_cast<unsigned long>(espera * 1000));
    }
    for (const QString& linea : anfitrion.Resumen())
        EscribeLinea(stderr, linea);
    // Only a preview that went through has something to say it did not keep.
    if (opciones.simulacion && resultado == Hecho)
        EscribeLinea(stderr, QStringLiteral("Simulación: no se guardó ningún cambio"));
    // In the journal every failed night ends in one line at priority "err", whatever the
    // style of the message that told why.
    if (resultado != Hecho && !opciones.simulacion && EnDiario())
        Aviso(QStringLiteral("la descarga no se guardó (estado %1)").arg(resultado));
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
        if (opciones.comando == QStringLiteral("history"))
            return ComandoHistory(opciones, salida);
        if (opciones.comando == QStringLiteral("status"))
            return ComandoStatus(opciones, salida);
        if (opciones.comando == QStringLiteral("undo"))
            return ComandoUndo(opciones, salida);
        return ComandoShow(opciones);
    } catch (const std::exception& e) {
        Aviso(DescripcionDe(e));
        return ErrorDeUso;
    }
}

} // namespace kd562host
