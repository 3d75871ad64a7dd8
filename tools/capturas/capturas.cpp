// Renders the main screen and the account dialog to PNG files for the README, at the
// sizes of a small till display and of a desktop, as the window system shows them.
// Usage: kd562-capturas DB_URL CARPETA_SALIDA
#include "account/frmConfiguracion.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "host/Anfitrion.h"
#include "runtime/MensajesConsola.h"
#include "runtime/Sesion.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <cstdio>

namespace {

// Lets the window system map, size and paint what was asked for.
void Espera(QWidget* ventana, const QSize& tamano = {}) {
    const QDeadlineTimer limite(5000);
    while (!limite.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        const bool expuesta = ventana->windowHandle() && ventana->windowHandle()->isExposed();
        if (expuesta && (tamano.isEmpty() || ventana->size() == tamano))
            break;
    }
    const QDeadlineTimer pintado(300);
    while (!pintado.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
}

// What the screen shows over the window's rectangle, dialogs on top included.
QPixmap Captura(QWidget* ventana) {
    const QRect zona = ventana->frameGeometry();
    QPixmap imagen =
        ventana->screen()->grabWindow(0, zona.x(), zona.y(), zona.width(), zona.height());
    return imagen.isNull() ? ventana->grab() : imagen;
}

} // namespace

int main(int argc, char** argv) {
    // A real window when there is a display (scripts/capturas runs one); off-screen otherwise.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication aplicacion(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "Uso: kd562-capturas sqlite:RUTA CARPETA\n");
        return 2;
    }
    const QDir salida(QString::fromLocal8Bit(argv[2]));
    corvanta::Sesion::Configura(QString::fromLocal8Bit(argv[1]), QStringLiteral("DEMO"),
                                std::make_shared<corvanta::MensajesConsola>());
    kd562::Main();
    kd562::frmKD562& pantalla = kd562::frmKD562::Instancia();
    kd562host::Anfitrion anfitrion;
    anfitrion.Abre(&pantalla);
    anfitrion.move(0, 0);

    bool bien = true;
    for (const QSize tamano : {QSize(800, 480), QSize(1280, 800)}) {
        const QString sufijo =
            QStringLiteral("-%1x%2.png").arg(tamano.width()).arg(tamano.height());
        anfitrion.resize(tamano);
        anfitrion.activateWindow();
        Espera(&anfitrion, tamano);
        bien =
            Captura(&anfitrion).save(salida.filePath(QStringLiteral("pantalla") + sufijo)) && bien;

        bool visto = false;
        QTimer::singleShot(0, [&] {
            kd562::frmConfiguracion& dialogo = kd562::frmConfiguracion::Instancia();
            Espera(dialogo.Ventana());
            visto = Captura(&anfitrion).save(salida.filePath(QStringLiteral("cuenta") + sufijo));
            dialogo.Controles->Boton(2)->click();
        });
        pantalla.Controles->Boton(3)->click();
        bien = visto && bien;
    }
    anfitrion.close();
    return bien ? 0 : 1;
}
