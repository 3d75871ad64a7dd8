#include "controls/Etiqueta.h"

namespace corvanta {

Etiqueta::Etiqueta(QWidget* parent) : QLabel(parent) {
    setAutoFillBackground(true);
    QLabel::setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void Etiqueta::setAlignment(int alineacion) {
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (alineacion == 1)
        horizontal = Qt::AlignRight;
    else if (alineacion == 2)
        horizontal = Qt::AlignHCenter;
    QLabel::setAlignment(horizontal | Qt::AlignVCenter);
}

void Etiqueta::setBackColor(const QColor& color) {
    QPalette paleta = palette();
    paleta.setColor(QPalette::Window, color);
    setPalette(paleta);
}

void Etiqueta::setForeColor(const QColor& color) {
    QPalette paleta = palette();
    paleta.setColor(QPalette::WindowText, color);
    setPalette(paleta);
}

} // namespace corvanta
