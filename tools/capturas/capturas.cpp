// Renders the main screen and the account dialog off-screen to PNG files, for the README.
// Usage: kd562-capturas DB_URL CARPETA_SALIDA
#include "account/frmConfiguracion.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "host/Anfitrion.h"
#include "runtime/MensajesConsola.h"
#include "runtime/Sesion.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

int main(int argc, char** argv) {
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
    anfitrion.resize(800, 480);
    QApplication::processEvents();
    bool bien = anfitrion.grab().save(salida.filePath(QStringLiteral("pantalla.png")));

    QTimer::singleShot(0, [&] {
        kd562::frmConfiguracion& dialogo = kd562::frmConfiguracion::Instancia();
        QApplication::processEvents();
        bien =
            dialogo.Ventana()->grab().save(salida.filePath(QStringLiteral("cuenta.png"))) && bien;
        dialogo.Controles->Boton(2)->click();
    });
    pantalla.Controles->Boton(3)->click();
    anfitrion.close();
    return bien ? 0 : 1;
}
