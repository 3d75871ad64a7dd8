#include "controls/TxtQIX.h"

#include <QKeyEvent>

namespace corvanta {

TxtQIX::TxtQIX(QWidget* parent) : QLineEdit(parent) {}

void TxtQIX::setPasswordChar(const QString& caracter) {
    if (caracter.isEmpty()) {
        setEchoMode(QLineEdit::Normal);
        return;
    }
    setEchoMode(QLineEdit::Password);
    setStyleSheet(styleSheet() + QStringLiteral("QLineEdit { lineedit-password-character: %1; }")
                                     .arg(caracter.at(0).unicode()));
}

void TxtQIX::setEnabledColor(const QColor& color) {
    QPalette paleta = palette();
    paleta.setColor(QPalette::Active, QPalette::Base, color);
    paleta.setColor(QPalette::Inactive, QPalette::Base, color);
    setPalette(paleta);
}

void TxtQIX::keyPressEvent(QKeyEvent* evento) {
    if (mTabOnEnter && (evento->key() == Qt::Key_Return || evento->key() == Qt::Key_Enter) &&
        evento->modifiers() == Qt::NoModifier) {
        focusNextChild();
        evento->accept();
        return;
    }
    QLineEdit::keyPressEvent(evento);
}

} // namespace corvanta
