#include "forms/Traducciones.h"
#include "gateway/ClienteServicio.h"
#include "host/Comandos.h"
#include "host/Confirmacion.h"
#include "host/EstadoDescargas.h"
#include "host/Opciones.h"
#include "host/Salida.h"
#include "runtime/Error.h"
#include "runtime/MensajesConsola.h"
#include "runtime/MensajesVentana.h"
#include "runtime/Sesion.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QTextStream>
#include <cstdio>

namespace {

// The command line's standard error carries the screen's messages, one per line; the
// toolkit's own diagnostics are left out unless asked for.
void SoloErroresGraves(QtMsgType tipo, const QMessageLogContext&, const QString& texto) {
    if (tipo == QtCriticalMsg || tipo == QtFatalMsg)
        kd562host::Aviso(texto);
}

QString OperadorPorOmision() {
    QString nombre = qEnvironmentVariable("USER");
    if (nombre.isEmpty())
        nombre = qEnvironmentVariable("LOGNAME");
    return nombre.isEmpty() ? QStringLiteral("CORVANTA") : nombre;
}

// The build tree keeps the modules in bin/modulos; an installed program finds them in its
// private library folder, at the same place relative to the executable wherever it lives.
QString CarpetaModulos() {
    const QDir programa(QCoreApplication::applicationDirPath());
    if (programa.exists(QStringLiteral("modulos")))
        return programa.filePath(QStringLiteral("modulos"));
    return QDir::cleanPath(programa.filePath(QStringLiteral(KD562_MODULOS_INSTALADOS)));
}

} // namespace

int main(int argc, char** argv) {
    QStringList argumentos;
    for (int i = 1; i < argc; ++i)
        argumentos.append(QString::fromLocal8Bit(argv[i]));
    kd562host::Opciones opciones;
    // A monitor that runs status reads every fault of its own set-up as UNKNOWN.
    const int malUso = argumentos.contains(QStringLiteral("status")) ? int(kd562host::Desconocida)
                                                                     : kd562host::ErrorDeUso;
    try {
        opciones = kd562host::LeeOpciones(argumentos, kd562host::ArchivosConfiguracion());
    } catch (const kd562host::ErrorDeArgumentos& e) {
        kd562host::Aviso(QStringLiteral("%1 (consulte \"kd562 --help\")").arg(e.Descripcion()));
        return malUso;
    } catch (const corvanta::Error& e) {
        kd562host::Aviso(corvanta::DescripcionDe(e));
        return malUso;
    }
    for (const QString& aviso : opciones.avisos)
        kd562host::Aviso(aviso, kd562host::PrioridadAviso);
    if (opciones.accion != kd562host::Opciones::Accion::Comando) {
        const QString texto = opciones.accion == kd562host::Opciones::Accion::Ayuda
                                  ? kd562host::Uso(opciones.temaAyuda)
                                  : kd562host::Version() + QLatin1Char('\n');
        std::fputs(texto.toUtf8().constData(), stdout);
        return kd562host::Hecho;
    }
    // Before anything derives a number's text: a product key must not depend on who runs the
    // command (a service under the system's locale, a window under the user's).
    if (!opciones.regional.isEmpty())
        QLocale::setDefault(QLocale(opciones.regional));
    // Only "show" needs a display.
    if (opciones.comando != QStringLiteral("show")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("KD562_TRAZA"))
            qInstallMessageHandler(SoloErroresGraves);
    }
    // Before any thread starts.
    corvanta::IniciaRed();
    QApplication aplicacion(argc, argv);
    aplicacion.setApplicationName(QStringLiteral("kd562"));
    corvanta::TraduceTextosQt();
    if (opciones.modulos.isEmpty())
        opciones.modulos = qEnvironmentVariable("KD562_MODULE_DIR", CarpetaModulos());
    if (opciones.operador.isEmpty())
        opciones.operador = OperadorPorOmision();

    std::shared_ptr<corvanta::ServicioMensajes> mensajes;
    if (opciones.comando == QStringLiteral("show")) {
        mensajes = std::make_shared<corvanta::MensajesVentana>();
    } else {
        auto consola = std::make_shared<corvanta::MensajesConsola>(
            stderr, opciones.si ? corvanta::RespuestaSi : corvanta::RespuestaNo,
            kd562host::EnDiario());
        consola->setSilencio(opciones.silencio);
        if (kd562host::Interactiva(opciones))
            consola->setRespondedor(kd562host::PreguntaEnTerminal);
        mensajes = consola;
    }
    corvanta::Sesion::Configura(opciones.db, opciones.operador, mensajes);

    QTextStream salida(stdout);
    salida.setEncoding(QStringConverter::Utf8);
    int codigo = malUso;
    // Nothing escapes: every failure ends in one line and an exit status.
    try {
        codigo = kd562host::EjecutaComando(opciones, salida);
    } catch (const std::exception& e) {
        kd562host::Aviso(corvanta::DescripcionDe(e));
    } catch (...) {
        kd562host::Aviso(QStringLiteral("error inesperado"));
    }
    salida.flush();
    corvanta::Sesion::Cierra();
    return codigo;
}
