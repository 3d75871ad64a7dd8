#include "host/Comandos.h"
#include "host/PasosComando.h"

#include "data/Historial.h"
#include "data/Tablas.h"
#include "host/Confirmacion.h"
#include "host/DatosDemo.h"
#include "host/EstadoDescargas.h"
#include "host/Salida.h"
#include "runtime/Error.h"
#include "runtime/ErroresMotor.h"
#include "runtime/Sesion.h"
#include "runtime/Valores.h"

#include <QApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

using namespace corvanta;

namespace kd562host {

namespace {

int ComandoInit(Paso& paso) {
    kd562::CreaTablas(Sesion::Conexion());
    // Tables of an older version get the history's later columns; on PostgreSQL the history
    // gets the rights that the catalogue has, so every role that uses one may use the other.
    for (const QString& permiso : kd562::CompletaHistorial(Sesion::Conexion()))
        paso.salida << permiso << Qt::endl;
    if (paso.opciones.demo) {
        const int agregados = AgregaProductosDemo(Sesion::Conexion());
        paso.salida << QStringLiteral("Productos de muestra agregados: %1").arg(agregados)
                    << Qt::endl;
    }
    return Hecho;
}

int ComandoList(Paso& paso) {
    PantallaSuite* pantalla = paso.Pantalla();
    // A screen that failed to load its list reported it with a critical message.
    const int resultado = Consola().Cuenta(Critico) > 0 ? Rechazado : Hecho;
    const std::unique_ptr<Impresora> impresora = CreaImpresora(paso.formato, paso.salida);
    ImprimeLista(pantalla, *impresora);
    impresora->Termina();
    return resultado;
}

// The wait before try `intento` + 1: about 30 s, doubling each time, with a fifth either way
// at random so that tills do not all come back at once, up to 10 min; the gateway's own
// Retry-After (1 s or more) replaces it, up to the same cap.
double EsperaReintento(int intento, int reintentarEnS) {
    constexpr double kTope = 600;
    if (reintentarEnS >= 1)
        return std::min<double>(reintentarEnS, kTope);
    const double base = std::min(kTope, 30.0 * std::pow(2.0, intento - 1));
    const double azar = 0.8 + 0.4 * QRandomGenerator::global()->generateDouble();
    return std::min(kTope, base * azar);
}

// KD562_ESCALA_ESPERAS scales a computed wait for tests, once it is chosen and told, so that
// a test still sees the wait a shop would get.
double EscalaDePrueba() {
    bool ok = false;
    const double escala = qEnvironmentVariable("KD562_ESCALA_ESPERAS").toDouble(&ok);
    return ok && escala >= 0 ? escala : 1.0;
}

int ComandoSync(Paso& paso) {
    const Opciones& opciones = paso.opciones;
    // A failure that may pass by itself is tried again, by pressing the button again; the
    // screen itself retries nothing. A database server that is down at the start of the
    // night is such a failure too, so the database is opened inside the loop; only the
    // journal can tell of such a try, since the history is out of reach.
    const int intentos = opciones.simulacion ? 1 : 1 + opciones.reintentos;
    int resultado = Hecho;
    bool abierta = false;
    bool transitoria = false;
    for (int intento = 1;; ++intento) {
        Consola().Reinicia();
        transitoria = false;
        int pedida = -1;
        try {
            if (!abierta)
                AbreBase(false);
            abierta = true;
            PantallaSuite* pantalla = paso.Pantalla();
            // Unattended, a reply that would retire most of the catalogue stops before writing.
            pantalla->setProperty("Simulacion", opciones.simulacion);
            // A person at a terminal is asked instead, as the window asks.
            pantalla->setProperty("LimitaRetiros",
                                  !opciones.permiteReduccion && !Interactiva(opciones));
            Boton(pantalla->Ventana(), QStringLiteral("b1"))->click();
            resultado = Resultado();
            transitoria = pantalla->property("FallaTransitoria").toBool();
            pedida = pantalla->property("ReintentarEnS").toInt();
        } catch (const std::exception& e) {
            if (intento == intentos || !EsTransitoria(DescripcionDe(e)))
                throw;
            Aviso(DescripcionDe(e));
            Sesion::Cierra();
            resultado = ErrorDeUso;
            transitoria = true;
        }
        if (resultado == Hecho || intento == intentos || !transitoria)
            break;
        const double espera = EsperaReintento(intento, pedida);
        Aviso(QStringLiteral("el intento %1 de %2 falló; el siguiente empieza a las %3 (en %4 s)")
                  .arg(intento)
                  .arg(intentos)
                  .arg(QDateTime::currentDateTime()
                           .addMSecs(qint64(espera * 1000))
                           .toString(QStringLiteral("HH:mm:ss")))
                  .arg(qRound(espera)),
              PrioridadAviso);
        std::fflush(stderr);
        QThread::msleep(
            static_cast<unsigned long>(espera * 1000 * (pedida >= 1 ? 1.0 : EscalaDePrueba())));
    }
    // What the retries would have retried, still failing after them, may pass by itself.
    if (resultado != Hecho && transitoria)
        resultado = Transitoria;
    if (resultado == Rechazado && !opciones.simulacion) {
        if (Consola().UltimoTexto().startsWith(QStringLiteral("La descarga retiraría")))
            Aviso(QStringLiteral("si la pasarela de verdad retiró esos servicios, --allow-shrink "
                                 "deja pasar la descarga"),
                  PrioridadAviso);
        else
            AvisaSinSi(opciones, QStringLiteral("No se guardó nada"));
    }
    PantallaSuite* pantalla = paso.Pantalla();
    const std::unique_ptr<Impresora> impresora = CreaImpresora(paso.formato, paso.salida);
    ImprimeResumen(paso, *impresora, resultado);
    // Only a preview that went through has something to say it did not keep.
    if (opciones.simulacion && resultado == Hecho && !opciones.silencio) {
        if (paso.formato == Formato::Json)
            impresora->Dato(QStringLiteral("simulacion"), true);
        else
            EscribeLinea(stderr, QStringLiteral("Simulación: no se guardó ningún cambio"));
    }
    // In the journal every failed night ends in one line at priority "err", whatever the
    // style of the message that told why.
    if (resultado != Hecho && !opciones.simulacion && EnDiario())
        Aviso(QStringLiteral("la descarga no se guardó (estado %1)").arg(resultado));
    std::fflush(stderr);
    // The preview's list is what it is for; a download's is "kd562 list"'s.
    if (opciones.simulacion || opciones.conLista)
        ImprimeLista(pantalla, *impresora);
    impresora->Termina();
    return resultado;
}

QString LeePassword() {
    std::string linea;
    if (!std::getline(std::cin, linea) && linea.empty())
        throw Error(QStringLiteral("No se recibió la contraseña por la entrada estándar"));
    QString password = QString::fromStdString(linea);
    if (password.endsWith(QLatin1Char('\r')))
        password.chop(1);
    // A script whose variable is unset must not blank the account the nightly download uses.
    if (password.isEmpty())
        throw Error(QStringLiteral("La contraseña recibida por la entrada estándar está vacía; "
                                   "no se cambió la cuenta"));
    return password;
}

// account without options: what is stored, never the password.
int MuestraCuenta(Paso& paso) {
    Recordset rs = Sesion::Conexion().Execute(
        QStringLiteral("SELECT Psc_URL, Psc_Usuario FROM Pos_Servicio_Configuracion"));
    if (rs.Eof()) {
        Aviso(QStringLiteral("No hay una cuenta guardada; guárdela con kd562 account --url URL "
                             "--user USUARIO --password-stdin"),
              PrioridadAviso);
        return Rechazado;
    }
    const std::unique_ptr<Impresora> impresora = CreaImpresora(Formato::Tsv, paso.salida);
    impresora->Hecho(QStringLiteral("url"), Concatena(rs.Fields(QStringLiteral("Psc_URL"))));
    impresora->Hecho(QStringLiteral("usuario"),
                     Concatena(rs.Fields(QStringLiteral("Psc_Usuario"))));
    impresora->Termina();
    return Hecho;
}

// account --test: the stored account against the gateway, as the dialog's "Probar conexión".
int PruebaCuenta(Paso& paso) {
    PantallaSuite* pantalla = paso.Pantalla();
    Consola().Reinicia();
    bool respondio = false;
    QMetaObject::invokeMethod(pantalla, "PruebaCuenta", Qt::DirectConnection,
                              Q_RETURN_ARG(bool, respondio));
    if (respondio)
        return Hecho;
    return pantalla->property("FallaTransitoria").toBool() ? Transitoria : Rechazado;
}

int ComandoAccount(Paso& paso) {
    const Opciones& opciones = paso.opciones;
    if (opciones.probar)
        return PruebaCuenta(paso);
    if (!opciones.url && !opciones.usuario && !opciones.passwordStdin)
        return MuestraCuenta(paso);
    std::optional<QString> password;
    if (opciones.passwordStdin)
        password = LeePassword();
    PantallaSuite* pantalla = paso.Pantalla();
    Consola().Reinicia();

    bool guardado = false;
    bool dialogoVisto = false;
    // The dialog is modal: it is filled and accepted from inside its own loop.
    QTimer::singleShot(0, &paso.Contenedor(), [&] {
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
    if (!dialogoVisto)
        return Rechazado;
    return guardado && Resultado() == Hecho ? Hecho : Rechazado;
}

int ComandoShow(Paso& paso) {
    paso.Pantalla();
    return QApplication::exec();
}

} // namespace

// Every command goes through here: the database first, where a bad path or a table of
// another shape is a usage error, then the command, then the container closes.
int EjecutaComando(const Opciones& opciones, QTextStream& salida) {
    static const std::pair<const char*, int (*)(Paso&)> comandos[] = {
        {"init", ComandoInit},       {"list", ComandoList},       {"sync", ComandoSync},
        {"account", ComandoAccount}, {"history", ComandoHistory}, {"status", ComandoStatus},
        {"undo", ComandoUndo}};
    // The options know no other command: the rest is show.
    int (*comando)(Paso&) = ComandoShow;
    for (const auto& [nombre, corre] : comandos)
        if (opciones.comando == QLatin1String(nombre))
            comando = corre;
    const Formato formato =
        opciones.formato.value_or(::isatty(STDOUT_FILENO) == 1 ? Formato::Texto : Formato::Tsv);
    try {
        // Only init may create the database file; sync opens it in its own tries, status
        // inside its own judgement.
        if (comando != ComandoSync && comando != ComandoStatus)
            AbreBase(comando == ComandoInit);
        Paso paso(opciones, salida, formato);
        const int resultado = comando(paso);
        paso.Cierra();
        return resultado;
    } catch (const std::exception& e) {
        const QString texto = ConCamino(DescripcionDe(e));
        Aviso(texto);
        // Started from the desktop, no one reads standard error: the window's user is told.
        const QString plataforma = QGuiApplication::platformName();
        if (comando == ComandoShow && plataforma != QLatin1String("offscreen") &&
            plataforma != QLatin1String("minimal"))
            Sesion::Mensajes().Muestra({texto, Critico, QStringLiteral("Corvanta"), nullptr,
                                        QStringLiteral("KD562"), QString()});
        if (comando == ComandoStatus)
            return Desconocida;
        // A database server that is down, or busy with another terminal, may be back soon.
        return EsTransitoria(DescripcionDe(e)) ? Transitoria : ErrorDeUso;
    }
}

} // namespace kd562host
