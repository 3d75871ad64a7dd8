#include "catalogue/frmKD562.h"

#include "catalogue/ImagenesXML.h"
#include "component/EsquemaColores.h"
#include "component/Publico.h"
#include "controls/Twips.h"
#include "forms/Manejador.h"
#include "runtime/Error.h"
#include "runtime/Valores.h"

#include <QApplication>
#include <QPalette>
#include <cmath>

using namespace corvanta;

namespace kd562 {

namespace {

QFont Fuente(const QString& familia, double puntos, bool negrita = false) {
    QFont fuente(familia);
    fuente.setPointSizeF(puntos);
    fuente.setBold(negrita);
    return fuente;
}

// Single-precision results become whole twips the way the suite rounds them: to nearest,
// halves to even.
int ATwips(float valor) {
    return static_cast<int>(std::nearbyint(valor));
}

} // namespace

frmKD562::frmKD562() : PantallaSuite(QStringLiteral("frmKD562")) {
    setKeyPreview(true);
}

frmKD562& frmKD562::Instancia() {
    static frmKD562* instancia = new frmKD562;
    return *instancia;
}

void frmKD562::CreaControles(QWidget* ventana) {
    const QColor fondo(245, 245, 245);
    QPalette paleta = ventana->palette();
    paleta.setColor(QPalette::Window, fondo);
    ventana->setPalette(paleta);
    ventana->setAutoFillBackground(true);
    ventana->setFont(Fuente(QStringLiteral("Fixedsys"), 9));
    FijaGeometria(ventana, 0, 0, 11445, 6285);

    lbTotal = new Etiqueta(ventana);
    lbTotal->setObjectName(QStringLiteral("lbTotal"));
    FijaGeometria(lbTotal, 240, 1560, 2055, 255);
    lbTotal->setCaption(QString());
    lbTotal->setIdEtiqueta(QString());
    lbTotal->setAlignment(0);
    lbTotal->setBackColor(fondo);
    lbTotal->setForeColor(QApplication::palette().color(QPalette::ButtonText));
    lbTotal->setFont(Fuente(QStringLiteral("Calibri"), 8.25));

    imgXML = new ImageList(ventana);
    imgXML->setObjectName(QStringLiteral("imgXML"));
    imgXML->setMaskColor(QColor(192, 192, 192));
    for (int imagen = 1; imagen <= 3; ++imagen)
        imgXML->Agrega(DibujaImagenXML(imagen));

    colorQIX = new ColorQIX(ventana);
    FijaGeometria(colorQIX, 0, 0, 375, 375);
    FijaEsquemaColores(*colorQIX);

    lvRegistros = new ListView(ventana);
    lvRegistros->setObjectName(QStringLiteral("lvRegistros"));
    FijaGeometria(lvRegistros, 120, 1920, 11055, 4095);
    lvRegistros->setFont(Fuente(QStringLiteral("Franklin Gothic Medium"), 8.25));
    QPalette colores = lvRegistros->palette();
    colores.setColor(QPalette::Text, QApplication::palette().color(QPalette::WindowText));
    colores.setColor(QPalette::Base, QApplication::palette().color(QPalette::Window));
    lvRegistros->setPalette(colores);
    lvRegistros->setSmallIcons(imgXML);
    lvRegistros->setCheckboxes(true);
    connect(lvRegistros, &ListView::ColumnClick, this,
            [this](int columna) { Manejador([&] { lvRegistros_ColumnClick(columna); }); });
    connect(lvRegistros, &ListView::KeyUp, this,
            [this](int tecla, int shift) { Manejador([&] { lvRegistros_KeyUp(tecla, shift); }); });
    connect(lvRegistros, &ListView::DblClick, this,
            [this] { Manejador([&] { lvRegistros_DblClick(); }); });

    txtUsuario = new TxtQIX(ventana);
    txtUsuario->setObjectName(QStringLiteral("txtUsuario"));
    FijaGeometria(txtUsuario, 2400, 1080, 4095, 300);
    txtUsuario->setLocked(true);
    txtUsuario->setFont(Fuente(QStringLiteral("Franklin Gothic Medium"), 8.25));
    txtUsuario->setEnabledColor(QColor(255, 255, 255));

    Etiqueta1 = new Etiqueta(ventana);
    Etiqueta1->setObjectName(QStringLiteral("Etiqueta1"));
    FijaGeometria(Etiqueta1, 120, 1080, 2175, 255);
    Etiqueta1->setCaption(QStringLiteral("Usuario:"));
    Etiqueta1->setIdEtiqueta(QStringLiteral("Usuario"));
    Etiqueta1->setAlignment(1);
    Etiqueta1->setBackColor(QColor(255, 192, 192));
    Etiqueta1->setForeColor(QApplication::palette().color(QPalette::WindowText));
    Etiqueta1->setFont(Fuente(QStringLiteral("Franklin Gothic Medium"), 8.25));

    Controles = new corvanta::Controles(ventana);
    FijaGeometria(Controles, 0, 0, 11445, 960);
    Controles->setCaption(QStringLiteral("Sincronización de productos TAE y servicios"));
    Controles->setB1Caption(QStringLiteral("Configurar servicios"));
    Controles->setB2Caption(QStringLiteral("Historial"));
    Controles->setB3Caption(QStringLiteral("Configurar cuenta"));
    Controles->setTabWidth(QStringLiteral("0"));
    Controles->setEasyAccessEnabled(QStringLiteral("SI"));
    Controles->setShowMenuPopup(QStringLiteral("NO"));
    Controles->setShowWindowsList(QStringLiteral("SI"));
    Controles->setShowExitButton(QStringLiteral("SI"));
    Controles->setButtonBackColor1(QColor(204, 157, 46));
    Controles->setButtonForeColor1Disabled(QColor(176, 113, 16));
    Controles->setButtonBackColor2(QColor(176, 113, 16));
    connect(Controles, &corvanta::Controles::B1Click, this,
            [this] { Manejador([&] { Controles_B1Click(); }); });
    connect(Controles, &corvanta::Controles::B2Click, this,
            [this] { Manejador([&] { Controles_B2Click(); }); });
    connect(Controles, &corvanta::Controles::B3Click, this,
            [this] { Manejador([&] { Controles_B3Click(); }); });
    connect(Controles, &corvanta::Controles::SalirClick, this,
            [this] { Manejador([&] { Controles_Salir(); }); });
}

void frmKD562::Form_Load() {
    colorQIX->AplicaColores();
    gFunciones->FormatoForma(Ventana(), 1);
    CargaDatos();
    InformaHistorial();
}

void frmKD562::Form_Resize() {
    // Each statement stands alone: a size the list refuses leaves that dimension as it was.
    try {
        FijaAncho(lvRegistros, ATwips(static_cast<float>(Width()) -
                                      2.0f * static_cast<float>(Izquierda(lvRegistros))));
    } catch (...) {
    }
    try {
        FijaAlto(lvRegistros, ATwips(static_cast<float>(Height()) -
                                     static_cast<float>(Arriba(lvRegistros)) - 150.0f));
    } catch (...) {
    }
}

void frmKD562::Controles_Salir() {
    oCliente.reset();
    oParametros.reset();
    // Only the host closes the screen; without a container there is nothing to unload.
    if (Padre())
        Descarga(Padre());
}

QString frmKD562::Transaccion() {
    QObject* padre = Padre();
    if (!padre)
        throw Error(QStringLiteral("Variable de objeto o bloque With no establecido"));
    const QVariant valor = padre->property("Transaccion");
    if (!valor.isValid())
        throw Error(QStringLiteral("El objeto no admite esta propiedad o método: Transaccion"));
    return gFunciones->ClaveTransaccion(Texto(valor), QStringLiteral("Corvanta"));
}

} // namespace kd562
