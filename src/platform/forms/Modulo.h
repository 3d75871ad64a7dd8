#pragma once

#include <QObject>
#include <QString>
#include <QtPlugin>

namespace corvanta {

// What a screen module offers the host: its public classes, created by name.
class IModulo {
public:
    virtual ~IModulo() = default;
    // A new object of the named public class, or nullptr when the module has none.
    virtual QObject* CreaObjeto(const QString& clase) = 0;
};

} // namespace corvanta

#define CORVANTA_IMODULO_IID "com.corvanta.IModulo/1.0"
Q_DECLARE_INTERFACE(corvanta::IModulo, CORVANTA_IMODULO_IID)
