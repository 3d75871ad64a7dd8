#include "host/DatosDemo.h"

#include "runtime/Connection.h"
#include "runtime/TransaccionEnCurso.h"

#include <QStringList>

namespace kd562host {

int AgregaProductosDemo(corvanta::Connection& cnn) {
    struct Producto {
        const char* clave;
        const char* descripcion;
        double precio;
    };
    static const Producto productos[] = {
        {"REF600", "Refresco de cola 600 ml", 18}, {"PAN680", "Pan de caja grande", 52},
        {"LEC1L", "Leche entera 1 l", 28.5},       {"HUE12", "Huevo blanco 12 piezas", 45},
        {"CAF200", "Cafe soluble 200 g", 96},
    };
    int agregados = 0;
    const QString fecha =
        cnn.Execute(corvanta::SentenciaFechaServidor(cnn.motor())).Fields(0).toString();
    corvanta::TransaccionEnCurso transaccion(cnn);
    for (const Producto& p : productos) {
        const bool existe =
            !cnn.Ejecuta(QStringLiteral("SELECT 1 FROM Producto WHERE Pr_Cve_Producto = ?"),
                         {QString::fromUtf8(p.clave)})
                 .Eof();
        if (existe)
            continue;
        cnn.Ejecuta(QStringLiteral("INSERT INTO Producto (Pr_Cve_Producto, Pr_Descripcion, "
                                   "Pr_Descripcion_Corta, Pr_Precio, Pr_Grupo, Oper_Alta, "
                                   "Fecha_Alta) VALUES (?, ?, ?, ?, 'ABARROTES', 'DEMO', ?)"),
                    {QString::fromUtf8(p.clave), QString::fromUtf8(p.descripcion),
                     QString::fromUtf8(p.descripcion).left(30), p.precio, fecha});
        ++agregados;
    }
    transaccion.Confirma();
    return agregados;
}

} // namespace kd562host
