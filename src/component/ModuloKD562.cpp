#include "component/ModuloKD562.h"

#include "component/Pantalla.h"
#include "component/Publico.h"

namespace kd562 {

ModuloKD562::ModuloKD562() {
    Main();
}

QObject* ModuloKD562::CreaObjeto(const QString& clase) {
    if (clase == QStringLiteral("Pantalla"))
        return new Pantalla;
    return nullptr;
}

} // namespace kd562
