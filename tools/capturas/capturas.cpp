// Renders the main screen, the account dialog and its test of the account, a download
// waiting on a slow gateway, the question before a download that would retire most of the
// catalogue is saved, the history dialog and the status line after a failed night to PNG files for
// the README, at the sizes of a small till display and of a desktop, as the window system shows
// them. The database is copied first: it is not changed. Usage: kd562-capturas sqlite:RUTA
// CARPETA_SALIDA
#include "SimuladorPasarela.h"
#include "account/frmConfiguracion.h"
#include "catalogue/frmHistorial.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "forms/Traducciones.h"
#include "host/Anfitrion.h"
#include "runtime/MensajesVentana.h"
#include "runtime/Sesion.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <cstdio>
#include <functional>

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

// Presses Enter on the next message box other than `anterior`, once it shows, after saving
// a picture of it over the window when `archivo` is given (the box's default button is the
// one pressed); then runs `despues`.
void EnterEnLaCaja(QWidget* ventana, const QString& archivo, bool* visto,
                   const std::function<void()>& despues = {}, QPointer<QWidget> anterior = {}) {
    QTimer::singleShot(100, [=] {
        auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!caja || caja == anterior)
            return EnterEnLaCaja(ventana, archivo, visto, despues, anterior);
        Espera(caja);
        if (!archivo.isEmpty())
            *visto = Captura(ventana).save(archivo);
        if (caja->defaultButton())
            caja->defaultButton()->click();
        else
            caja->close();
        if (despues)
            despues();
    });
}

} // namespace

int main(int argc, char** argv) {
    // A real window when there is a display (scripts/capturas runs one); off-screen otherwise.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication aplicacion(argc, argv);
    corvanta::TraduceTextosQt();
    // The demonstration shop is Mexican: its dates and numbers read so.
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico));
    if (argc != 3) {
        std::fprintf(stderr, "Uso: kd562-capturas sqlite:RUTA CARPETA\n");
        return 2;
    }
    const QDir salida(QString::fromLocal8Bit(argv[2]));
    // A copy of the shop, with its account pointed at a gateway here that answers one
    // service of its catalogue.
    QTemporaryDir copia;
    const QString origen = QString::fromLocal8Bit(argv[1]).mid(7);
    const QString db = copia.filePath(QStringLiteral("tienda.db"));
    if (!QString::fromLocal8Bit(argv[1]).startsWith(QStringLiteral("sqlite:")) ||
        !QFile::copy(origen, db)) {
        std::fprintf(stderr, "No se pudo copiar la base de datos %s\n", argv[1]);
        return 2;
    }
    simulador::Configuracion recortada;
    recortada.catalogo.append(
        QJsonObject{{QStringLiteral("PRODUCTO"), QStringLiteral("TEL100")},
                    {QStringLiteral("DESCRIPCION"), QStringLiteral("Televia")},
                    {QStringLiteral("GRUPO"), QStringLiteral("TAE")},
                    {QStringLiteral("MONTO"), 100},
                    {QStringLiteral("OBSERVACION"), QString()}});
    simulador::SimuladorPasarela pasarela(recortada);
    // The same, answering after 3 s: the window while it waits.
    recortada.demoraMs = 3000;
    simulador::SimuladorPasarela lenta(recortada);
    if (pasarela.Inicia() == 0 || lenta.Inicia() == 0)
        return 2;
    corvanta::Sesion::Configura(QStringLiteral("sqlite:") + db, QStringLiteral("DEMO"),
                                std::make_shared<corvanta::MensajesVentana>());
    const auto cuenta = [&](const QString& url) {
        corvanta::Sesion::Conexion().Ejecuta(
            QStringLiteral("UPDATE Pos_Servicio_Configuracion SET Psc_URL = ?"), {url});
    };
    cuenta(pasarela.URL());
    kd562::Main();
    kd562::frmKD562& pantalla = kd562::frmKD562::Instancia();
    kd562host::Anfitrion anfitrion;
    anfitrion.Abre(&pantalla);
    anfitrion.move(0, 0);

    bool bien = true;
    const auto nombre = [&](const QString& que, const QSize& tamano) {
        return salida.filePath(
            QStringLiteral("%1-%2x%3.png").arg(que).arg(tamano.width()).arg(tamano.height()));
    };
    const auto muestra = [&](const QSize& tamano) {
        anfitrion.resize(tamano);
        anfitrion.activateWindow();
        Espera(&anfitrion, tamano);
    };
    const QList<QSize> tamanos = {QSize(800, 480), QSize(1280, 800)};
    for (const QSize& tamano : tamanos) {
        muestra(tamano);
        bien = Captura(&anfitrion).save(nombre(QStringLiteral("pantalla"), tamano)) && bien;

        bool visto = false;
        QTimer::singleShot(0, [&] {
            kd562::frmConfiguracion& dialogo = kd562::frmConfiguracion::Instancia();
            Espera(dialogo.Ventana());
            visto = Captura(&anfitrion).save(nombre(QStringLiteral("cuenta"), tamano));
            dialogo.Controles->Boton(2)->click();
        });
        pantalla.Controles->Boton(3)->click();
        bien = visto && bien;

        // The account tried from its dialog: the gateway's word over the dialog.
        visto = false;
        QTimer::singleShot(0, [&] {
            kd562::frmConfiguracion& dialogo = kd562::frmConfiguracion::Instancia();
            Espera(dialogo.Ventana());
            EnterEnLaCaja(&anfitrion, nombre(QStringLiteral("prueba"), tamano), &visto,
                          [&dialogo] { dialogo.Controles->Boton(2)->click(); });
            dialogo.Controles->Boton(3)->click();
        });
        pantalla.Controles->Boton(3)->click();
        bien = visto && bien;

        // A download from a slow gateway: its progress, then No to the second question.
        cuenta(lenta.URL());
        visto = false;
        EnterEnLaCaja(&anfitrion, QString(), nullptr, [&] {
            QTimer::singleShot(1500, [&] {
                visto = Captura(&anfitrion).save(nombre(QStringLiteral("descarga"), tamano));
                EnterEnLaCaja(&anfitrion, QString(), nullptr);
            });
        });
        pantalla.Controles->Boton(1)->click();
        cuenta(pasarela.URL());
        bien = visto && bien;

        // Enter on both questions: Yes to the first, then No, the default of the second.
        visto = false;
        EnterEnLaCaja(&anfitrion, QString(), nullptr, [&] {
            EnterEnLaCaja(&anfitrion, nombre(QStringLiteral("pregunta"), tamano), &visto, {},
                          QApplication::activeModalWidget());
        });
        pantalla.Controles->Boton(1)->click();
        bien = visto && bien;

        visto = false;
        QTimer::singleShot(0, [&] {
            kd562::frmHistorial& dialogo = kd562::frmHistorial::Instancia();
            // The download, with its changes below.
            for (int i = 0; i < dialogo.lvEntradas->topLevelItemCount(); ++i)
                if (dialogo.lvEntradas->topLevelItem(i)->text(5) == QStringLiteral("guardada")) {
                    dialogo.lvEntradas->setCurrentItem(dialogo.lvEntradas->topLevelItem(i));
                    break;
                }
            Espera(dialogo.Ventana());
            visto = Captura(&anfitrion).save(nombre(QStringLiteral("historial"), tamano));
            dialogo.cmdCerrar->click();
        });
        pantalla.Controles->Boton(2)->click();
        bien = visto && bien;
    }

    // A night the gateway could not be reached: the status line says so in red.
    cuenta(QStringLiteral("http://127.0.0.1:1/wsService"));
    EnterEnLaCaja(&anfitrion, QString(), nullptr, [&] {
        EnterEnLaCaja(&anfitrion, QString(), nullptr, {}, QApplication::activeModalWidget());
    });
    pantalla.Controles->Boton(1)->click();
    for (const QSize& tamano : tamanos) {
        muestra(tamano);
        bien = Captura(&anfitrion).save(nombre(QStringLiteral("fallo"), tamano)) && bien;
    }
    anfitrion.close();
    return bien ? 0 : 1;
}
