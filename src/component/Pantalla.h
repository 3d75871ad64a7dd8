#pragma once

#include <QObject>
#include <QString>

namespace kd562 {

// The component's public class: the host creates it and reads its two properties.
class Pantalla : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* GetPantalla READ GetPantalla)
    Q_PROPERTY(QString Modulo READ Modulo)
public:
    explicit Pantalla(QObject* parent = nullptr);

    // The one instance of the main screen, created on first use but neither loaded nor
    // shown; nullptr if it could not be created.
    QObject* GetPantalla();
    QString Modulo() const { return QString(""); }
};

} // namespace kd562
