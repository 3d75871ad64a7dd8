#pragma once

#include <QString>

namespace corvanta {

// A product of the suite as Productos saves it.
struct DatosProducto {
    QString Clave;
    QString ClaveCorta;
    QString Texto1;
    QString Descripcion;
    QString DescripcionCorta;
    QString Codigo1; // line of business
    QString Codigo2; // kind of sale
    double Monto = 0;
    double Valor1 = 0; // cost
    double Valor2 = 0; // stock minimum
    double Valor3 = 0; // stock maximum
    double Valor4 = 0; // reorder point
    QString Grupo;
    QString Unidad;
    double Impuesto = 0;
};

} // namespace corvanta
