#pragma once

#include "runtime/DatosProducto.h"
#include "runtime/Recordset.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace corvanta {

// Creates and updates rows of the suite's product table.
class Productos {
public:
    QString MensajeError() const { return mMensajeError; }
    // bNuevo true creates the product, false updates it. True when the product with key
    // Clave exists afterwards; false is a refusal whose reason is in MensajeError.
    // Database failures are thrown.
    bool GuardaProducto(DatosProducto& datos, bool& bNuevo);

    // The refusals of GuardaProducto without writing anything, given whether the key exists:
    // true when the save would write the product. Fills in what a save fills in (Unidad).
    bool Revisa(DatosProducto& datos, bool bNuevo, bool existe);
    // The stored products under any of these keys, by key, with every member a save writes;
    // one statement whatever the number of keys. A NULL number reads as NaN.
    QHash<QString, DatosProducto> Lee(const QStringList& claves);
    // Saves many products at once, set-wise: nuevos are created, existentes updated. Each
    // must have passed Revisa. Database failures are thrown. avance, when given, hears of
    // each product as it is sent: how many so far, of how many.
    void GuardaProductos(const std::vector<DatosProducto>& nuevos,
                         const std::vector<DatosProducto>& existentes,
                         const std::function<void(size_t hechos, size_t total)>& avance = {});
    // True when a save would write nothing new into the stored product (dates and operators
    // aside); NULL and empty text differ.
    static bool MismoContenido(const DatosProducto& guardado, const DatosProducto& nuevo);

    // The columns a save writes besides the key, the operators and the dates, in table order,
    // and a product's values for them (a NULL number is NaN, which is written as NULL).
    static const QStringList& Columnas();
    static QVariantList Valores(const DatosProducto& datos);
    // The product whose key and Columnas stand in the current row from field `primera` on.
    static DatosProducto DeFila(const Recordset& rs, int primera);

private:
    QString mMensajeError;
};

} // namespace corvanta
