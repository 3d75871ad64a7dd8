#pragma once

#include <QMap>
#include <QString>
#include <QVariant>
#include <QWidget>

namespace corvanta {

// A colour scheme held by a form; invisible at run time. AplicaColores paints the form
// that holds it with the scheme.
class ColorQIX : public QWidget {
    Q_OBJECT
public:
    explicit ColorQIX(QWidget* parent = nullptr);

    void Fija(const QString& propiedad, const QVariant& valor) { mEsquema[propiedad] = valor; }
    QVariant Valor(const QString& propiedad) const { return mEsquema.value(propiedad); }
    void AplicaColores();

private:
    QMap<QString, QVariant> mEsquema;
};

} // namespace corvanta
