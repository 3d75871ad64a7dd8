#pragma once

#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;
class QHBoxLayout;
class QToolButton;

namespace corvanta {

// The suite's toolbar strip across the top of a form: the form's title, up to three
// buttons and an optional exit button. It stands in for the window's title bar, so it
// keeps its parent's width; a title that does not fit ends in "…".
class Controles : public QWidget {
    Q_OBJECT
public:
    explicit Controles(QWidget* parent = nullptr);

    void setCaption(const QString& texto);
    QString Caption() const { return mCaption; }
    void setB1Caption(const QString& texto) { FijaBoton(0, texto); }
    void setB2Caption(const QString& texto) { FijaBoton(1, texto); }
    void setB3Caption(const QString& texto) { FijaBoton(2, texto); }
    void setShowExitButton(const QString& siNo);
    void setPermitirMover(bool permitir) { mPermitirMover = permitir; }
    void setCaptionButtonSize(int twips);
    void setButtonBackColor1(const QColor& color);
    void setButtonBackColor2(const QColor& color);
    void setButtonForeColor1Disabled(const QColor& color);
    void setTabWidth(const QString& valor) { setProperty("tabwidth", valor); }
    // "SI": button n is pressed by Alt+n too, as its tooltip says.
    void setEasyAccessEnabled(const QString& siNo);
    void setShowMenuPopup(const QString& siNo) { setProperty("showmenupopup", siNo); }
    void setShowWindowsList(const QString& siNo) { setProperty("showwindowslist", siNo); }

    // The button for 1..3, or nullptr when that button has no caption.
    QToolButton* Boton(int numero) const;
    QToolButton* BotonSalir() const { return mSalir; }

signals:
    void B1Click();
    void B2Click();
    void B3Click();
    void SalirClick();

protected:
    bool event(QEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;
    void mousePressEvent(QMouseEvent* evento) override;
    void mouseMoveEvent(QMouseEvent* evento) override;
    void mouseReleaseEvent(QMouseEvent* evento) override;

private:
    void FijaBoton(int indice, const QString& texto);
    void FijaAcceso(int indice);
    void AplicaEstilo();
    void SiguePadre();
    void AjustaAlPadre();

    QString mCaption;
    QLabel* mTitulo = nullptr;
    QPointer<QWidget> mPadre;
    QHBoxLayout* mBotonera = nullptr;
    QToolButton* mBotones[3] = {nullptr, nullptr, nullptr};
    QToolButton* mSalir = nullptr;
    bool mPermitirMover = false;
    bool mArrastrando = false;
    QPoint mDesdeRaton;
    QPoint mDesdeVentana;
    QColor mFondo1{204, 157, 46};
    QColor mFondo2{176, 113, 16};
    QColor mTextoInactivo1{176, 113, 16};
    int mAnchoBoton = 0;
};

} // namespace corvanta
