#include "component/Publico.h"

#include <mutex>

namespace kd562 {

std::unique_ptr<corvanta::Conexion> gConexion;
std::unique_ptr<corvanta::Funciones> gFunciones;
QString gSQL;

void Main() {
    static std::once_flag unaVez;
    std::call_once(unaVez, [] {
        gConexion = std::make_unique<corvanta::Conexion>();
        gFunciones = std::make_unique<corvanta::Funciones>();
    });
}

} // namespace kd562
