#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace corvanta {

class VentanaForma;

// A form of the suite: one instance that lives as long as its module, and a window that
// exists only while the form is loaded. Unloading destroys the window and its controls
// but keeps the instance and its members, so the next load starts from the design again.
class Forma : public QObject {
    Q_OBJECT
public:
    explicit Forma(const QString& nombre, QObject* parent = nullptr);
    ~Forma() override;

    void Load();
    void Unload();
    // 0 modeless; 1 modal: returns when the form is hidden or unloaded.
    void Show(int modal = 0, QWidget* propietario = nullptr);
    void Hide();
    bool Cargada() const { return !mVentana.isNull(); }
    bool Visible() const;

    // The window; referencing it loads the form, as referencing a control does.
    QWidget* Ventana();
    QWidget* hWnd() { return Ventana(); }

    // Size and position in twips.
    int Width();
    int Height();
    void setWidth(int twips);
    void setHeight(int twips);
    void Redimensiona(int anchoTwips, int altoTwips);

    // Where the window opens: 0 where it was put, 1 centred over its owner (the window
    // given to Show, else the active one), 2 centred on the screen.
    int StartUpPosition() const { return mPosicionInicial; }
    void setStartUpPosition(int posicion) { mPosicionInicial = posicion; }

    bool KeyPreview() const { return mKeyPreview; }
    void setKeyPreview(bool activa) { mKeyPreview = activa; }

signals:
    void Cargado();
    void Descargado();
    void Oculto();

protected:
    // Creates the controls with their design-time settings inside the new window.
    virtual void CreaControles(QWidget* ventana) = 0;
    virtual void Form_Load() {}
    virtual void Form_Resize() {}
    virtual void Form_Activate() {}
    // With key preview on, sees every key released in the form first; a key code set to
    // 0 goes no further.
    virtual void Form_KeyUp(int& codigoTecla, int shift);

private:
    friend class VentanaForma;
    void AlRedimensionar();
    void ColocaAlAbrir(QWidget* propietario);
    void AlActivar();
    bool AlSoltarTecla(QObject* receptor, class QKeyEvent* evento);
    bool eventFilter(QObject* objeto, QEvent* evento) override;

    QString mNombre;
    QPointer<QWidget> mVentana;
    bool mKeyPreview = false;
    int mPosicionInicial = 0;
    bool mCargando = false;
    const void* mUltimaTecla = nullptr;
    quint64 mUltimaMarca = 0;
    QPointer<QWidget> mUltimoReceptor;
};

// Unloads what the host hands a screen as its container: a form is unloaded, any other
// window is closed.
void Descarga(QObject* objeto);

} // namespace corvanta
