#include "controls/ColorQIX.h"

#include "controls/TxtQIX.h"

#include <QColor>

namespace corvanta {

ColorQIX::ColorQIX(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("colorQIX"));
    hide();
}

void ColorQIX::AplicaColores() {
    QWidget* forma = window();
    if (!forma)
        return;
    const QColor fondo = mEsquema.value(QStringLiteral("backcolor")).value<QColor>();
    if (fondo.isValid()) {
        QPalette paleta = forma->palette();
        paleta.setColor(QPalette::Window, fondo);
        forma->setPalette(paleta);
        forma->setAutoFillBackground(true);
    }
    const QColor activo = mEsquema.value(QStringLiteral("enablecolor")).value<QColor>();
    const QColor inactivo = mEsquema.value(QStringLiteral("disablecolor")).value<QColor>();
    for (TxtQIX* texto : forma->findChildren<TxtQIX*>()) {
        QPalette paleta = texto->palette();
        if (activo.isValid()) {
            paleta.setColor(QPalette::Active, QPalette::Base, activo);
            paleta.setColor(QPalette::Inactive, QPalette::Base, activo);
        }
        if (inactivo.isValid())
            paleta.setColor(QPalette::Disabled, QPalette::Base, inactivo);
        texto->setPalette(paleta);
    }
}

} // namespace corvanta
