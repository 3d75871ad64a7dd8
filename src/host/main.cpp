#include "gateway/ClienteServicio.h"
#include "host/Comandos.h"
#include "host/Opciones.h"
#include "runtime/Error.h"
#include "runtime/MensajesConsola.h"
#include "runtime/MensajesVentana.h"
#include "runtime/Sesion.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>
#include <cstdio>

namespace {

// The command line's standard error carries the screen's messages, one per line; the
// toolkit's own diagnostics are left out unless asked for.
void SoloErroresGraves(QtMsgType tipo, const QMessageLogContext&, const QString& texto) {
    if (tipo == QtCriticalMsg || tipo == QtFatalMsg)
        std::fprintf(stderr, "kd562: %s\n", qPrintable(texto));
}

QString OperadorPorOmision() {
    QString nombre = qEnvironmentVariable("USER");
    if (nombre.isEmpty())
        nombre = qEnvironmentVariable("LOGNAME");
    return nombre.isEmpty() ? QStringLiteral("CORVANTA") : nombre;
}

} // namespace

int main(int argc, char** argv) {
    QStringList argumentos;
    for (int i = 1; i < argc; ++i)
        argumentos.append(QString::fromLocal8Bit(argv[i]));
    kd562host::Opciones opciones;
    try {
        opciones = kd562host::LeeOpciones(argumentos);
    } catch (const corvanta::Error& e) {
        std::fprintf(stderr, "kd562: %s\n%s", e.what(), qPrintable(kd562host::Uso()));
        return kd562host::ErrorDeUso;
    }
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
    if (opciones.modulos.isEmpty())
        opciones.modulos = qEnvironmentVariable(
            "KD562_MODULE_DIR", QDir(QCoreApplication::applicationDirPath()).filePath("modulos"));
    if (opciones.operador.isEmpty())
        opciones.operador = OperadorPorOmision();

    std::shared_ptr<corvanta::ServicioMensajes> mensajes;
    if (opciones.comando == QStringLiteral("show"))
        mensajes = std::make_shared<corvanta::MensajesVentana>();
    else
        mensajes = std::make_shared<corvanta::MensajesConsola>(
            stderr, opciones.si ? corvanta::RespuestaSi : corvanta::RespuestaNo);
    corvanta::Sesion::Configura(opciones.db, opciones.operador, mensajes);

    QTextStream salida(stdout);
    salida.setEncoding(QStringConverter::Utf8);
    int codigo = kd562host::ErrorDeUso;
    // Nothing escapes: every failure ends in one line and an exit status.
    try {
        codigo = kd562host::EjecutaComando(opciones, salida);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kd562: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "kd562: error inesperado\n");
    }
    salida.flush();
    corvanta::Sesion::Cierra();
    return codigo;
}
