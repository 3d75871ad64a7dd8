#include "catalogue/PlanDescarga.h"
#include "component/Publico.h"
#include "runtime/Dialecto.h"
#include "runtime/Valores.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>

using namespace corvanta;

namespace kd562 {

Recordset ListaPrevista(const PlanDescarga& plan) {
    // The list joins each row to its product: the short description the save leaves.
    QHash<QString, QString> cortas;
    for (const std::vector<DatosProducto>* productos : {&plan.existentes, &plan.nuevos})
        for (const DatosProducto& p : *productos)
            cortas.insert(p.Clave, p.DescripcionCorta);

    QHash<QString, qsizetype> rango;
    QStringList claves;
    for (const FilaServicio& f : plan.filas)
        if (!rango.contains(f.Clave)) {
            rango.insert(f.Clave, 0);
            claves.append(f.Clave);
        }
    // The engine's own order of text (its collation), one statement for every key.
    Connection& cnn = gConexion->Cnn();
    Recordset orden = cnn.Ejecuta(
        QStringLiteral("SELECT * FROM (%1) AS lista ORDER BY 1").arg(SubconsultaLista(cnn.motor())),
        {QString::fromUtf8(
            QJsonDocument(QJsonArray::fromStringList(claves)).toJson(QJsonDocument::Compact))});
    for (qsizetype i = 0; !orden.Eof(); orden.MoveNext())
        rango[Texto(orden.Fields(0))] = i++;

    std::vector<const FilaServicio*> filas;
    filas.reserve(plan.filas.size());
    for (const FilaServicio& f : plan.filas)
        if (cortas.contains(f.Producto))
            filas.push_back(&f);
    std::stable_sort(filas.begin(), filas.end(), [&](const FilaServicio* a, const FilaServicio* b) {
        return rango.value(a->Clave) < rango.value(b->Clave);
    });
    std::vector<QVariantList> valores;
    valores.reserve(filas.size());
    for (const FilaServicio* f : filas)
        valores.push_back({f->Clave, f->Descripcion, f->Grupo, f->Monto, f->Producto,
                           cortas.value(f->Producto), f->Observacion});
    return Recordset({QStringLiteral("Servicio"), QStringLiteral("Descripción"),
                      QStringLiteral("Grupo"), QStringLiteral("Monto"), QStringLiteral("Clave"),
                      QStringLiteral("Producto"), QStringLiteral("Observaciones")},
                     std::move(valores));
}

} // namespace kd562
