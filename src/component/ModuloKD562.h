#pragma once

#include "forms/Modulo.h"

#include <QObject>

namespace kd562 {

// The loadable entry: the host finds the module by name and creates its classes here.
class ModuloKD562 : public QObject, public corvanta::IModulo {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID CORVANTA_IMODULO_IID)
    Q_INTERFACES(corvanta::IModulo)
public:
    ModuloKD562();
    QObject* CreaObjeto(const QString& clase) override;
};

} // namespace kd562
