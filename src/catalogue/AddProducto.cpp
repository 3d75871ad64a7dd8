#include "catalogue/ClaveProducto.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "runtime/Error.h"
#include "runtime/Productos.h"
#include "runtime/Valores.h"

#include <QSet>

using namespace corvanta;

namespace kd562 {

namespace {

// A product that a download saved carries the module's line and kind of sale; any other is
// one of the shop's own.
bool EsProductoDeServicio(const DatosProducto& producto) {
    return producto.Codigo1 == QStringLiteral("99") && producto.Codigo2 == QStringLiteral("SR");
}

} // namespace

// Ties every planned service to a shop product. Nothing is written here: the products to
// save and each row's product key go into the plan, which the download then writes in a few
// set-wise statements instead of several round trips per service.
bool frmKD562::AddProducto() {
    bool bResultado = false;
    sMensaje = QString();
    try {
        // The rows are the ones this download would have just inserted.
        std::vector<FilaServicio>& filas = tPlan.filas;
        if (filas.empty()) {
            sMensaje = QStringLiteral("No se encontró información de servicios configurados");
            return bResultado;
        }
        Productos oProducto;
        DatosProducto tProducto;
        // One query reads every product a row may find, instead of a Busqueda per row.
        QStringList claves;
        claves.reserve(static_cast<qsizetype>(filas.size()));
        for (const FilaServicio& fila : filas)
            claves.append(ClaveProducto(fila.Grupo, fila.Descripcion, fila.Monto));
        tPlan.leidos = oProducto.Lee(claves);
        // Room for exactly the products the rows name: a catalogue has tens of thousands.
        {
            const QSet<QString> distintas(claves.cbegin(), claves.cend());
            qsizetype guardadas = 0;
            for (const QString& clave : distintas)
                guardadas += tPlan.leidos.contains(clave);
            tPlan.existentes.reserve(static_cast<size_t>(guardadas));
            tPlan.nuevos.reserve(static_cast<size_t>(distintas.size() - guardadas));
        }

        // Where each saved key's final values live: in nuevos (true) or existentes (false).
        QHash<QString, std::pair<bool, size_t>> guardados;
        QHash<std::pair<QString, double>, QString> clavePorPar;
        for (size_t i = 0; i < filas.size(); ++i) {
            const FilaServicio& fila = filas[i];
            bool bNuevo = true;
            const QString& sClave = claves[static_cast<qsizetype>(i)];

            // The key exists if it was stored or an earlier row of this download created it.
            const bool bExiste = tPlan.leidos.contains(sClave) || guardados.contains(sClave);
            const QString sEncontrada = bExiste ? sClave : QString();
            if (sEncontrada == sClave)
                bNuevo = false;
            const auto leido = tPlan.leidos.constFind(sClave);
            if (leido != tPlan.leidos.cend() && !EsProductoDeServicio(*leido)) {
                sMensaje = QStringLiteral("AddProducto()") + sClave + QStringLiteral(" - ") +
                           fila.Descripcion + QStringLiteral("\r\n: \r\n") +
                           QStringLiteral("La clave %1 ya es del producto \"%2\" de la tienda, "
                                          "que no viene de la pasarela; no se guardó ningún "
                                          "cambio")
                               .arg(sClave, leido->Descripcion);
                return bResultado;
            }

            tProducto.Clave = sClave;
            tProducto.ClaveCorta = ClaveCortaProducto(fila.Descripcion, fila.Monto, sClave);
            tProducto.Texto1 = QString();
            tProducto.Descripcion = fila.Descripcion;
            tProducto.DescripcionCorta = Primeros(fila.Descripcion, 30);
            tProducto.Codigo1 = QStringLiteral("99");
            tProducto.Codigo2 = QStringLiteral("SR");
            tProducto.Monto = fila.Monto;
            tProducto.Valor1 = -1;
            tProducto.Valor2 = -1;
            tProducto.Valor3 = -1;
            tProducto.Valor4 = -1;
            tProducto.Grupo = fila.Grupo;

            if (!oProducto.Revisa(tProducto, bNuevo, bExiste)) {
                sMensaje = QStringLiteral("AddProducto()") + sClave + QStringLiteral(" - ") +
                           fila.Descripcion + QStringLiteral("\r\n");
                sMensaje +=
                    QStringLiteral(": ") + QStringLiteral("\r\n") + oProducto.MensajeError();
                return bResultado;
            }
            // The save: the last row of a key gives the product its final values.
            const auto guardado = guardados.constFind(sClave);
            if (guardado != guardados.cend()) {
                (guardado->first ? tPlan.nuevos : tPlan.existentes)[guardado->second] = tProducto;
            } else if (bNuevo) {
                guardados.insert(sClave, {true, tPlan.nuevos.size()});
                tPlan.nuevos.push_back(tProducto);
            } else {
                guardados.insert(sClave, {false, tPlan.existentes.size()});
                tPlan.existentes.push_back(tProducto);
            }

            // The row's UPDATE: every row with the same service key and amount gets the key.
            clavePorPar.insert({fila.Clave, fila.Monto}, sClave);
        }
        for (FilaServicio& fila : filas)
            fila.Producto = clavePorPar.value({fila.Clave, fila.Monto});
        bResultado = true;
        return bResultado;
    } catch (const std::exception& e) {
        // Reported by the caller after it rolls back: a message box left open must not keep
        // the database locked.
        sFallaMapeo = DescripcionDe(e);
        return false;
    }
}

} // namespace kd562
