#include "controls/Controles.h"

#include "controls/Twips.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

namespace corvanta {

namespace {

// A label that shows as much of its text as fits and ends it with "…"; the whole text
// stays in its tooltip and accessible name.
class TituloRecortado : public QLabel {
public:
    explicit TituloRecortado(QWidget* parent) : QLabel(parent) {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    void FijaTexto(const QString& texto) {
        mCompleto = texto;
        setToolTip(texto);
        setAccessibleName(texto);
        Recorta();
    }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void resizeEvent(QResizeEvent* evento) override {
        QLabel::resizeEvent(evento);
        Recorta();
    }
    void changeEvent(QEvent* evento) override {
        QLabel::changeEvent(evento);
        if (evento->type() == QEvent::FontChange || evento->type() == QEvent::StyleChange)
            Recorta();
    }

private:
    void Recorta() {
        const QString visible =
            fontMetrics().elidedText(mCompleto, Qt::ElideRight, contentsRect().width());
        if (visible != text())
            setText(visible);
    }
    QString mCompleto;
};

} // namespace

Controles::Controles(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Controles"));
    setAttribute(Qt::WA_StyledBackground, true);
    setFocusPolicy(Qt::NoFocus);
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(8, 4, 4, 4);
    mTitulo = new TituloRecortado(this);
    mTitulo->setObjectName(QStringLiteral("titulo"));
    QFont fuente = mTitulo->font();
    fuente.setBold(true);
    fuente.setPointSizeF(11);
    mTitulo->setFont(fuente);
    fila->addWidget(mTitulo, 1);
    mBotonera = new QHBoxLayout;
    mBotonera->setSpacing(4);
    fila->addLayout(mBotonera);
    mSalir = new QToolButton(this);
    mSalir->setObjectName(QStringLiteral("salir"));
    mSalir->setText(QStringLiteral("Salir"));
    mSalir->setToolTip(QStringLiteral("Salir"));
    mSalir->setFocusPolicy(Qt::NoFocus);
    mSalir->hide();
    connect(mSalir, &QToolButton::clicked, this, &Controles::SalirClick);
    fila->addWidget(mSalir);
    AplicaEstilo();
    SiguePadre();
}

bool Controles::event(QEvent* evento) {
    if (evento->type() == QEvent::ParentChange)
        SiguePadre();
    return QWidget::event(evento);
}

bool Controles::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == mPadre && evento->type() == QEvent::Resize)
        AjustaAlPadre();
    return QWidget::eventFilter(objeto, evento);
}

void Controles::SiguePadre() {
    if (mPadre)
        mPadre->removeEventFilter(this);
    mPadre = parentWidget();
    if (mPadre) {
        mPadre->installEventFilter(this);
        AjustaAlPadre();
    }
}

void Controles::AjustaAlPadre() {
    if (mPadre && !isWindow())
        resize(qMax(0, mPadre->width() - x()), height());
}

void Controles::setCaption(const QString& texto) {
    mCaption = texto;
    static_cast<TituloRecortado*>(mTitulo)->FijaTexto(texto);
    if (QWidget* ventana = window())
        ventana->setWindowTitle(texto);
}

void Controles::FijaBoton(int indice, const QString& texto) {
    QToolButton*& boton = mBotones[indice];
    if (texto.isEmpty()) {
        delete boton;
        boton = nullptr;
        return;
    }
    if (!boton) {
        boton = new QToolButton(this);
        boton->setObjectName(QStringLiteral("b%1").arg(indice + 1));
        boton->setFocusPolicy(Qt::NoFocus);
        boton->setToolButtonStyle(Qt::ToolButtonTextOnly);
        if (mAnchoBoton > 0)
            boton->setMinimumWidth(APixeles(mAnchoBoton));
        static void (Controles::*const senales[3])() = {&Controles::B1Click, &Controles::B2Click,
                                                        &Controles::B3Click};
        connect(boton, &QToolButton::clicked, this, senales[indice]);
        // Buttons keep their order 1, 2, 3 whatever order their captions were set in.
        int posicion = 0;
        for (int i = 0; i < indice; ++i)
            if (mBotones[i])
                ++posicion;
        mBotonera->insertWidget(posicion, boton);
    }
    boton->setText(texto);
    boton->setAccessibleName(texto);
    FijaAcceso(indice);
}

void Controles::setEasyAccessEnabled(const QString& siNo) {
    setProperty("easyaccessenabled", siNo);
    for (int i = 0; i < 3; ++i)
        FijaAcceso(i);
}

void Controles::FijaAcceso(int indice) {
    QToolButton* boton = mBotones[indice];
    if (!boton)
        return;
    const bool acceso = property("easyaccessenabled").toString() == QLatin1String("SI");
    const QKeySequence tecla(acceso ? QKeyCombination(Qt::AltModifier, Qt::Key(Qt::Key_1 + indice))
                                    : QKeyCombination());
    boton->setShortcut(tecla);
    boton->setToolTip(acceso ? QStringLiteral("%1 (%2)").arg(
                                   boton->text(), tecla.toString(QKeySequence::NativeText))
                             : boton->text());
}

QToolButton* Controles::Boton(int numero) const {
    return numero >= 1 && numero <= 3 ? mBotones[numero - 1] : nullptr;
}

void Controles::setShowExitButton(const QString& siNo) {
    mSalir->setVisible(siNo.compare(QStringLiteral("SI"), Qt::CaseInsensitive) == 0);
}

void Controles::setCaptionButtonSize(int twips) {
    mAnchoBoton = twips;
    for (QToolButton* boton : mBotones)
        if (boton)
            boton->setMinimumWidth(APixeles(twips));
}

void Controles::setButtonBackColor1(const QColor& color) {
    mFondo1 = color;
    AplicaEstilo();
}

void Controles::setButtonBackColor2(const QColor& color) {
    mFondo2 = color;
    AplicaEstilo();
}

void Controles::setButtonForeColor1Disabled(const QColor& color) {
    mTextoInactivo1 = color;
    AplicaEstilo();
}

void Controles::AplicaEstilo() {
    setStyleSheet(QStringLiteral("#Controles { background: qlineargradient(x1:0, y1:0, x2:0, "
                                 "y2:1, stop:0 %1, stop:1 %2); }"
                                 "#Controles QLabel#titulo { color: white; }"
                                 "#Controles QToolButton { background: %2; color: white; "
                                 "border: 1px solid %1; border-radius: 3px; padding: 4px 10px; }"
                                 "#Controles QToolButton:hover { background: %1; }"
                                 "#Controles QToolButton:disabled { color: %3; }")
                      .arg(mFondo1.name(), mFondo2.name(), mTextoInactivo1.name()));
}

void Controles::mousePressEvent(QMouseEvent* evento) {
    if (mPermitirMover && evento->button() == Qt::LeftButton && window()) {
        mArrastrando = true;
        mDesdeRaton = evento->globalPosition().toPoint();
        mDesdeVentana = window()->pos();
        evento->accept();
        return;
    }
    QWidget::mousePressEvent(evento);
}

void Controles::mouseMoveEvent(QMouseEvent* evento) {
    if (mArrastrando && window()) {
        window()->move(mDesdeVentana + evento->globalPosition().toPoint() - mDesdeRaton);
        evento->accept();
        return;
    }
    QWidget::mouseMoveEvent(evento);
}

void Controles::mouseReleaseEvent(QMouseEvent* evento) {
    mArrastrando = false;
    QWidget::mouseReleaseEvent(evento);
}

} // namespace corvanta
