#include "account/frmConfiguracion.h"

#include "account/ConsultaPasarela.h"
#include "component/EsquemaColores.h"
#include "component/Publico.h"
#include "controls/Teclas.h"
#include "controls/Twips.h"
#include "forms/Manejador.h"
#include "runtime/Valores.h"

#include <QApplication>
#include <QToolButton>

using namespace corvanta;

namespace kd562 {

namespace {

QFont Calibri(bool negrita) {
    QFont fuente(QStringLiteral("Calibri"));
    fuente.setPointSizeF(8.25);
    fuente.setBold(negrita);
    return fuente;
}

Etiqueta* NuevaEtiqueta(QWidget* ventana, const QString& nombre, int izquierda, int arriba,
                        int ancho, const QString& texto, int alineacion, const QString& id) {
    auto* etiqueta = new Etiqueta(ventana);
    etiqueta->setObjectName(nombre);
    FijaGeometria(etiqueta, izquierda, arriba, ancho, 255);
    etiqueta->setCaption(texto);
    etiqueta->setAlignment(alineacion);
    etiqueta->setIdEtiqueta(id);
    etiqueta->setBackColor(QColor(245, 245, 245));
    etiqueta->setForeColor(QApplication::palette().color(QPalette::ButtonText));
    etiqueta->setFont(Calibri(false));
    etiqueta->setEnabled(true);
    return etiqueta;
}

TxtQIX* NuevoTexto(QWidget* ventana, const QString& nombre, int arriba, bool negrita) {
    auto* texto = new TxtQIX(ventana);
    texto->setObjectName(nombre);
    FijaGeometria(texto, 2520, arriba, 5775, 300);
    texto->setFont(Calibri(negrita));
    texto->setTabOnEnter(true);
    texto->setEnabledColor(QColor(255, 255, 255));
    texto->setFocusPolicy(Qt::StrongFocus);
    return texto;
}

} // namespace

frmConfiguracion::frmConfiguracion() : Forma(QStringLiteral("frmConfiguracion")) {
    setKeyPreview(true);
    setStartUpPosition(1);
}

frmConfiguracion& frmConfiguracion::Instancia() {
    static frmConfiguracion* instancia = new frmConfiguracion;
    return *instancia;
}

QString frmConfiguracion::DireccionPorOmision() {
    return QStringLiteral("http://servicios.corvanta.com.mx/wsService");
}

void frmConfiguracion::CreaControles(QWidget* ventana) {
    QPalette paleta = ventana->palette();
    paleta.setColor(QPalette::Window, QColor(245, 245, 245));
    ventana->setPalette(paleta);
    ventana->setAutoFillBackground(true);
    FijaGeometria(ventana, 0, 0, 8880, 3075);

    Controles = new corvanta::Controles(ventana);
    FijaGeometria(Controles, 0, 0, 8880, 960);
    Controles->setCaption(QStringLiteral("Configuración"));
    Controles->setB1Caption(QStringLiteral("Aceptar"));
    Controles->setB2Caption(QStringLiteral("Cancelar"));
    Controles->setB3Caption(QStringLiteral("Probar conexión"));
    Controles->setShowExitButton(QStringLiteral("NO"));
    Controles->setShowWindowsList(QStringLiteral("NO"));
    Controles->setShowMenuPopup(QStringLiteral("NO"));
    Controles->setEasyAccessEnabled(QStringLiteral("SI"));
    Controles->setPermitirMover(true);
    Controles->setCaptionButtonSize(1200);
    Controles->setTabWidth(QStringLiteral("0"));
    Controles->setButtonBackColor1(QColor(204, 157, 46));
    Controles->setButtonBackColor2(QColor(176, 113, 16));
    Controles->setButtonForeColor1Disabled(QColor(176, 113, 16));
    connect(Controles, &corvanta::Controles::B1Click, this,
            [this] { Manejador([&] { Controles_B1Click(); }); });
    connect(Controles, &corvanta::Controles::B2Click, this,
            [this] { Manejador([&] { Controles_B2Click(); }); });
    connect(Controles, &corvanta::Controles::B3Click, this,
            [this] { Manejador([&] { Controles_B3Click(); }); });
    // F4 saves, and nothing else from the keyboard does.
    Controles->Boton(1)->setShortcut(QKeySequence());

    Etiqueta8 = NuevaEtiqueta(ventana, QStringLiteral("Etiqueta8"), 2520, 1200, 3375,
                              QStringLiteral("Credenciales"), 2, QStringLiteral("Url's"));
    Line2 = new QFrame(ventana);
    Line2->setObjectName(QStringLiteral("Line2"));
    Line2->setFrameShape(QFrame::HLine);
    Line2->setFrameShadow(QFrame::Plain);
    FijaGeometria(Line2, 120, 1320, 8415 - 120, TwipsPorPixel);
    // The heading is drawn over the line, as on the suite's other dialogs.
    Etiqueta8->raise();

    Etiqueta5 = NuevaEtiqueta(ventana, QStringLiteral("Etiqueta5"), 120, 1560, 2295,
                              QStringLiteral("URL WS:"), 1, QStringLiteral("URL WS"));
    txtUrlWs = NuevoTexto(ventana, QStringLiteral("txtUrlWs"), 1560, true);
    Etiqueta2 = NuevaEtiqueta(ventana, QStringLiteral("Etiqueta2"), 120, 1920, 2295,
                              QStringLiteral("Usuario:"), 1, QStringLiteral("Usuario"));
    txtUsuario = NuevoTexto(ventana, QStringLiteral("txtUsuario"), 1920, false);
    Etiqueta3 = NuevaEtiqueta(ventana, QStringLiteral("Etiqueta3"), 120, 2280, 2295,
                              QStringLiteral("Contraseña:"), 1, QStringLiteral("Contraseña"));
    txtPassword = NuevoTexto(ventana, QStringLiteral("txtPassword"), 2280, false);
    txtPassword->setPasswordChar(QStringLiteral("*"));
    QWidget::setTabOrder(txtUrlWs, txtUsuario);
    QWidget::setTabOrder(txtUsuario, txtPassword);

    colorQIX = new ColorQIX(ventana);
    FijaEsquemaColores(*colorQIX);
}

void frmConfiguracion::Form_Load() {
    colorQIX->AplicaColores();
    txtUrlWs->setText(DireccionPorOmision());
}

void frmConfiguracion::Form_Activate() {
    txtUrlWs->SetFocus();
}

void frmConfiguracion::Form_KeyUp(int& KeyCode, int /*Shift*/) {
    if (KeyCode == TeclaF4) {
        KeyCode = 0;
        Controles_B1Click();
    } else if (KeyCode == TeclaEscape) {
        KeyCode = 0;
        Controles_B2Click();
    }
}

void frmConfiguracion::Mostrar() {
    CargaConfiguracion();
    Show(1);
}

void frmConfiguracion::Controles_B2Click() {
    Hide();
}

// "Probar conexión": the account as typed, tried against the gateway without saving it.
void frmConfiguracion::Controles_B3Click() {
    const ResultadoPrueba prueba = PruebaPasarela(
        Recorta(txtUrlWs->Text()), Recorta(txtUsuario->Text()), txtPassword->Text(), hWnd());
    gConexion->Mensaje(prueba.texto, prueba.respondio ? Informacion : Exclamacion,
                       QStringLiteral("Probar conexión"), hWnd(), Modulo);
}

} // namespace kd562
