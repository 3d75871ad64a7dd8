#include "component/Pantalla.h"

#include "catalogue/frmKD562.h"
#include "component/Publico.h"

namespace kd562 {

Pantalla::Pantalla(QObject* parent) : QObject(parent) {
    Main();
}

QObject* Pantalla::GetPantalla() {
    try {
        return &frmKD562::Instancia();
    } catch (...) {
        return nullptr;
    }
}

} // namespace kd562
