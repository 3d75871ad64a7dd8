#include "component/Publico.h"

#include <mutex>

namespace kd562 {

std::unique_ptr<corvanta::Conexion> gConexion;
std::unique_ptr<corvanta::Funciones> gFunciones;
QString gSQL;

corvanta::Recordset EjecutaSQL() {
    return gConexion->Cnn().Execute(gSQL, -1);
}

corvanta::Recordset EjecutaSQL(const QString& sentencia) {
    gSQL = sentencia;
    return EjecutaSQL();
}

void Main() {
    static std::once_flag unaVez;
    std::call_once(unaVez, [] {
        gConexion = std::make_unique<corvanta::Conexion>();
        gFunciones = std::make_unique<corvanta::Funciones>();
    });
}

} // namespace kd562
