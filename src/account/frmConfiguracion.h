#pragma once

#include "controls/ColorQIX.h"
#include "controls/Controles.h"
#include "controls/Etiqueta.h"
#include "controls/TxtQIX.h"
#include "forms/Forma.h"

#include <QFrame>
#include <QPointer>
#include <QString>

namespace kd562 {

// "Configuración": the gateway account dialog (address, user, password).
class frmConfiguracion : public corvanta::Forma {
    Q_OBJECT
public:
    static frmConfiguracion& Instancia();

    // Fills the fields from the stored account of the user in txtUsuario, then shows the
    // dialog modally; returns when it is hidden.
    void Mostrar();

    // Where the dialog points before an account is stored.
    static QString DireccionPorOmision();

    QPointer<corvanta::Controles> Controles;
    QPointer<corvanta::Etiqueta> Etiqueta8;
    QPointer<QFrame> Line2;
    QPointer<corvanta::Etiqueta> Etiqueta5;
    QPointer<corvanta::TxtQIX> txtUrlWs;
    QPointer<corvanta::Etiqueta> Etiqueta2;
    QPointer<corvanta::TxtQIX> txtUsuario;
    QPointer<corvanta::Etiqueta> Etiqueta3;
    QPointer<corvanta::TxtQIX> txtPassword;
    QPointer<corvanta::ColorQIX> colorQIX;

    // The user of the row last loaded; kept for the life of the component.
    QString sUsuarioCargado;

protected:
    void CreaControles(QWidget* ventana) override;
    void Form_Load() override;
    void Form_Activate() override;
    void Form_KeyUp(int& KeyCode, int Shift) override;

private:
    frmConfiguracion();

    void Controles_B1Click();
    void Controles_B2Click();
    void Controles_B3Click();
    void CargaConfiguracion();
    double Cuenta(const QString& sUsuario);
};

} // namespace kd562
