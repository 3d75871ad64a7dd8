#pragma once

#include <QColor>
#include <QLabel>

namespace corvanta {

// The suite's label: one line of text.
class Etiqueta : public QLabel {
    Q_OBJECT
public:
    explicit Etiqueta(QWidget* parent = nullptr);

    void setCaption(const QString& texto) { setText(texto); }
    QString Caption() const { return text(); }
    // 0 left, 1 right, 2 centred.
    void setAlignment(int alineacion);
    void setIdEtiqueta(const QString& id) { setProperty("idetiqueta", id); }
    void setBackColor(const QColor& color);
    void setForeColor(const QColor& color);
};

} // namespace corvanta
