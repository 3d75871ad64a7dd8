#pragma once

#include <QColor>
#include <QLineEdit>

namespace corvanta {

// The suite's one-line text box.
class TxtQIX : public QLineEdit {
    Q_OBJECT
public:
    explicit TxtQIX(QWidget* parent = nullptr);

    QString Text() const { return text(); }
    void setText(const QString& texto) { QLineEdit::setText(texto); }
    bool Enabled() const { return isEnabled(); }
    void SetFocus() { setFocus(Qt::OtherFocusReason); }

    void setLocked(bool bloqueado) { setReadOnly(bloqueado); }
    bool Locked() const { return isReadOnly(); }
    // Every character is shown as this one; empty shows the text.
    void setPasswordChar(const QString& caracter);
    void setTabOnEnter(bool activo) { mTabOnEnter = activo; }
    void setEnabledColor(const QColor& color);

protected:
    void keyPressEvent(QKeyEvent* evento) override;

private:
    bool mTabOnEnter = false;
};

} // namespace corvanta
