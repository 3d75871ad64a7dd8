#include "forms/Forma.h"

#include "controls/Teclas.h"
#include "controls/Twips.h"
#include "runtime/Error.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QScreen>

namespace corvanta {

class VentanaForma : public QWidget {
public:
    explicit VentanaForma(Forma* forma) : mForma(forma) {
        setAttribute(Qt::WA_DeleteOnClose, false);
    }

protected:
    void resizeEvent(QResizeEvent* evento) override {
        QWidget::resizeEvent(evento);
        if (mForma)
            mForma->AlRedimensionar();
    }
    void changeEvent(QEvent* evento) override {
        QWidget::changeEvent(evento);
        if (evento->type() == QEvent::ActivationChange && isActiveWindow() && mForma)
            mForma->AlActivar();
    }
    void closeEvent(QCloseEvent* evento) override {
        // Closing from the window system unloads the form, as the suite does; not while
        // another window waits on the user, since a procedure of the form is running then.
        evento->ignore();
        const QWidget* modal = QApplication::activeModalWidget();
        if (mForma && (!modal || modal == this))
            mForma->Unload();
    }

private:
    QPointer<Forma> mForma;
};

Forma::Forma(const QString& nombre, QObject* parent) : QObject(parent), mNombre(nombre) {
    setObjectName(nombre);
}

Forma::~Forma() {
    delete mVentana.data();
}

void Forma::Load() {
    if (mVentana || mCargando)
        return;
    mCargando = true;
    auto* ventana = new VentanaForma(this);
    ventana->setObjectName(mNombre);
    ventana->setWindowFlag(Qt::FramelessWindowHint, true);
    mVentana = ventana;
    CreaControles(ventana);
    qApp->installEventFilter(this);
    mCargando = false;
    Form_Load();
    emit Cargado();
}

void Forma::Unload() {
    if (!mVentana)
        return;
    qApp->removeEventFilter(this);
    QWidget* ventana = mVentana.data();
    mVentana.clear();
    ventana->hide();
    emit Oculto();
    // Unloading often comes from a handler of one of the window's own controls; the window
    // goes once that handler has returned. The form counts as unloaded from now on.
    ventana->deleteLater();
    emit Descargado();
}

bool Forma::Visible() const {
    return mVentana && mVentana->isVisible();
}

QWidget* Forma::Ventana() {
    Load();
    return mVentana.data();
}

void Forma::Show(int modal, QWidget* propietario) {
    QWidget* ventana = Ventana();
    if (!ventana)
        throw Error(QStringLiteral("No se pudo cargar el formulario %1").arg(mNombre));
    if (modal == 0) {
        if (!ventana->isVisible())
            ColocaAlAbrir(propietario);
        ventana->show();
        ventana->raise();
        ventana->activateWindow();
        return;
    }
    if (propietario && propietario->window() != ventana) {
        ventana->setParent(propietario->window(), ventana->windowFlags() | Qt::Dialog);
    }
    ventana->setWindowModality(Qt::ApplicationModal);
    if (!ventana->isVisible())
        ColocaAlAbrir(propietario);
    QEventLoop bucle;
    connect(this, &Forma::Oculto, &bucle, &QEventLoop::quit);
    ventana->show();
    ventana->raise();
    ventana->activateWindow();
    bucle.exec();
}

void Forma::ColocaAlAbrir(QWidget* propietario) {
    if (mPosicionInicial != 1 && mPosicionInicial != 2)
        return;
    QWidget* ventana = mVentana.data();
    QWidget* dueno = propietario ? propietario->window() : QApplication::activeWindow();
    QRect sobre;
    if (mPosicionInicial == 1 && dueno && dueno != ventana && dueno->isVisible()) {
        sobre = dueno->frameGeometry();
    } else {
        QScreen* pantalla = dueno ? dueno->screen() : QGuiApplication::primaryScreen();
        if (!pantalla)
            return;
        sobre = pantalla->availableGeometry();
    }
    QRect propia = ventana->frameGeometry();
    propia.moveCenter(sobre.center());
    ventana->move(propia.topLeft());
}

void Forma::Hide() {
    if (!mVentana || !mVentana->isVisible())
        return;
    mVentana->hide();
    emit Oculto();
}

int Forma::Width() {
    return Ancho(Ventana());
}
int Forma::Height() {
    return Alto(Ventana());
}
void Forma::setWidth(int twips) {
    Redimensiona(twips, Height());
}
void Forma::setHeight(int twips) {
    Redimensiona(Width(), twips);
}

void Forma::Redimensiona(int anchoTwips, int altoTwips) {
    QWidget* ventana = Ventana();
    FijaGeometria(ventana, Izquierda(ventana), Arriba(ventana), anchoTwips, altoTwips);
    // A hidden window gets no resize event until it is shown; the form hears of it now.
    if (!ventana->isVisible())
        AlRedimensionar();
}

void Forma::Form_KeyUp(int& /*codigoTecla*/, int /*shift*/) {}

void Forma::AlRedimensionar() {
    if (!mCargando)
        Form_Resize();
}

void Forma::AlActivar() {
    Form_Activate();
}

bool Forma::AlSoltarTecla(QObject* receptor, QKeyEvent* evento) {
    auto* widget = qobject_cast<QWidget*>(receptor);
    // The form's window may sit inside a host's: its keys are those of its own widgets.
    if (!mKeyPreview || !mVentana || !widget ||
        (widget != mVentana.data() && !mVentana->isAncestorOf(widget)))
        return false;
    if (evento->isAutoRepeat())
        return false;
    int codigo = CodigoTecla(evento);
    if (codigo == 0)
        return false;
    Form_KeyUp(codigo, EstadoShift(evento));
    return codigo == 0;
}

bool Forma::eventFilter(QObject* objeto, QEvent* evento) {
    if (evento->type() != QEvent::KeyRelease || !objeto->isWidgetType())
        return QObject::eventFilter(objeto, evento);
    // An ignored key travels up to the parents as the same event; only its first
    // receiver counts.
    auto* tecla = static_cast<QKeyEvent*>(evento);
    auto* widget = static_cast<QWidget*>(objeto);
    if (tecla == mUltimaTecla && tecla->timestamp() == mUltimaMarca && mUltimoReceptor &&
        widget != mUltimoReceptor && widget->isAncestorOf(mUltimoReceptor))
        return false;
    mUltimaTecla = tecla;
    mUltimaMarca = tecla->timestamp();
    mUltimoReceptor = widget;
    return AlSoltarTecla(objeto, tecla);
}

void Descarga(QObject* objeto) {
    if (!objeto)
        throw Error(QStringLiteral("Variable de objeto no establecida"));
    if (auto* forma = qobject_cast<Forma*>(objeto)) {
        forma->Unload();
        return;
    }
    if (auto* ventana = qobject_cast<QWidget*>(objeto)) {
        ventana->close();
        return;
    }
    throw Error(QStringLiteral("El objeto no se puede descargar"));
}

} // namespace corvanta
