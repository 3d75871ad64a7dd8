#include "catalogue/Huellas.h"
#include "catalogue/OrdenFilas.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "forms/PunteroRaton.h"
#include "runtime/Error.h"
#include "runtime/Productos.h"
#include "runtime/TransaccionEnCurso.h"
#include "runtime/Valores.h"

#include <QSet>

using namespace corvanta;

namespace kd562 {

namespace {

std::vector<FilaServicio> ServiciosDeCambio(Connection& cnn, qint64 numero, const QString& clase) {
    std::vector<FilaServicio> filas;
    RecorreFilasDeCambio(cnn, numero, clase, [&](const QVariantList& fila) {
        FilaServicio f;
        f.Clave = Concatena(fila.at(0));
        f.Descripcion = Concatena(fila.at(1));
        f.Tipo = Concatena(fila.at(2));
        f.Grupo = Concatena(fila.at(3));
        f.Monto = fila.at(4).isNull() ? qQNaN() : Doble(fila.at(4));
        f.Observacion = Concatena(fila.at(5));
        f.Producto = Concatena(fila.at(6));
        filas.push_back(std::move(f));
    });
    return filas;
}

std::vector<DatosProducto> ProductosDeCambio(Connection& cnn, qint64 numero, const QString& clase) {
    std::vector<DatosProducto> productos;
    for (Recordset rs = LeeCambios(cnn, numero, clase); !rs.Eof(); rs.MoveNext())
        productos.push_back(Productos::DeFila(rs, 0));
    return productos;
}

} // namespace

// Takes back the latest download not undone yet: its pairs get the rows they had before (the
// catalogue is written again whole, as a download writes it), the products it changed their
// values before, through Productos; the products it created stay.
// Recorded as an entry of its own. It refuses, changing nothing, when the catalogue or those
// products are no longer as the download left them, unless forced.
void frmKD562::DeshazDescarga(bool forzar) {
    const QString sTitulo = QStringLiteral("DeshazDescarga()");
    try {
        Connection& cnn = gConexion->Cnn();
        std::optional<EntradaHistorial> descarga;
        if (ExisteHistorial(cnn))
            descarga = UltimaPorDeshacer(cnn);
        if (!descarga) {
            gConexion->Mensaje(QStringLiteral("No hay descargas que deshacer"), Exclamacion,
                               sTitulo, hWnd(), Modulo);
            return;
        }
        const qint64 iNumero = descarga->numero;
        if (gConexion->Mensaje(QStringLiteral("Se deshará la descarga %1 del %2 (%3, %4)\r\n"
                                              "Desea continuar?")
                                   .arg(iNumero)
                                   .arg(descarga->fecha, descarga->operador, descarga->terminal),
                               Pregunta, QStringLiteral("Deshacer descarga?"), hWnd(),
                               Modulo) == RespuestaNo)
            return;

        TransaccionEnCurso tTransaccion(cnn);
        PunteroRaton::Fija(PunteroReloj);
        const QString sFecha = gFunciones->FechaSQL(gFunciones->FechaServidor());
        const QString sOperador = gConexion->Operador();
        // Another terminal may have undone it, or downloaded, since the question.
        descarga = UltimaPorDeshacer(cnn);
        if (!descarga || descarga->numero != iNumero) {
            tTransaccion.Deshace();
            PunteroRaton::Fija(PunteroNormal);
            gConexion->Mensaje(QStringLiteral("Otra terminal cambió el historial mientras se "
                                              "preguntaba; no se deshizo nada"),
                               Exclamacion, sTitulo, hWnd(), Modulo);
            return;
        }
        const std::vector<FilaServicio> actual = LeeCatalogo();
        const std::vector<Fila> ordenActual = Ordenadas(actual);
        const std::vector<FilaServicio> viejas = ServiciosDeCambio(cnn, iNumero, ServicioAntes);
        const std::vector<FilaServicio> nuevas = ServiciosDeCambio(cnn, iNumero, ServicioDespues);
        std::vector<DatosProducto> productosAntes = ProductosDeCambio(cnn, iNumero, ProductoAntes);
        const std::vector<DatosProducto> productosDespues =
            ProductosDeCambio(cnn, iNumero, ProductoDespues);
        QStringList claves;
        for (const DatosProducto& p : productosAntes)
            claves.append(p.Clave);
        Productos oProducto;
        const QHash<QString, DatosProducto> actuales = oProducto.Lee(claves);
        // A product it changed and that was deleted since stays deleted: the shop may have
        // taken it off sale on purpose.
        QStringList borrados;
        for (const QString& clave : claves)
            if (!actuales.contains(clave))
                borrados.append(clave);
        const QString sBorrados =
            borrados.isEmpty() ? QString()
                               : QStringLiteral("Productos borrados después de la descarga %1, "
                                                "que siguen borrados: %2")
                                     .arg(iNumero)
                                     .arg(borrados.join(QStringLiteral(", ")));
        std::erase_if(productosAntes,
                      [&](const DatosProducto& p) { return !actuales.contains(p.Clave); });

        if (!forzar) {
            std::vector<const DatosProducto*> comoQuedaron;
            for (const DatosProducto& p : productosAntes)
                comoQuedaron.push_back(&*actuales.constFind(p.Clave));
            if (!borrados.isEmpty() || HuellaCatalogo(ordenActual) != descarga->huellaCatalogo ||
                HuellaProductos(comoQuedaron) != descarga->huellaProductos) {
                tTransaccion.Deshace();
                PunteroRaton::Fija(PunteroNormal);
                QString sTexto = QStringLiteral("El catálogo o sus productos cambiaron después de "
                                                "la descarga %1; no se deshizo nada")
                                     .arg(iNumero);
                if (!sBorrados.isEmpty())
                    sTexto += QStringLiteral(" (%1)").arg(sBorrados);
                gConexion->Mensaje(sTexto, Exclamacion, sTitulo, hWnd(), Modulo);
                return;
            }
        }

        // The pairs it touched get back the rows they had; every other row stays.
        QSet<std::pair<QString, quint64>> pares;
        for (const auto* filas : {&viejas, &nuevas})
            for (const FilaServicio& f : *filas)
                pares.insert({f.Clave, ClaveMonto(f.Monto)});
        PlanDescarga tDespues;
        tDespues.filas.reserve(actual.size() + viejas.size());
        for (const FilaServicio& f : actual)
            if (!pares.contains({f.Clave, ClaveMonto(f.Monto)}))
                tDespues.filas.push_back(f);
        tDespues.filas.insert(tDespues.filas.end(), viejas.begin(), viejas.end());
        tDespues.existentes = std::move(productosAntes);
        tDespues.leidos = actuales;
        CambiosDescarga tCambios;
        const ResumenDescarga tResumen = ResumeDescarga(ordenActual, tDespues, &tCambios);

        // Written as a download writes: every row again, in batches. A DELETE of the touched
        // pairs alone would have to match each row against the change rows, and NULL amounts
        // keep an index from serving that match.
        EjecutaSQL(QStringLiteral("DELETE FROM Pos_Servicio_Producto "));
        cnn.InsertaLote(QStringLiteral("Pos_Servicio_Producto"), ColumnasServicio(),
                        tDespues.filas.size(), [&](size_t i, QVariantList& valores) {
                            valores = ValoresServicio(tDespues.filas[i], sFecha, sOperador);
                        });
        oProducto.GuardaProductos({}, tDespues.existentes);

        // Its own entry: what it changed, and the download it took back.
        EntradaHistorial e = Entrada(sFecha, Resultado::Deshacer);
        e.deshace = iNumero;
        e.cuentas = tResumen.Cuentas();
        e.huellaCatalogo = tCambios.huellaDespues;
        std::vector<const DatosProducto*> antes, despues;
        for (const DatosProducto* p : tCambios.productos) {
            antes.push_back(&*actuales.constFind(p->Clave));
            despues.push_back(p);
        }
        std::vector<const DatosProducto*> restaurados;
        for (const DatosProducto& p : tDespues.existentes)
            restaurados.push_back(&p);
        e.huellaProductos = HuellaProductos(restaurados);
        const qint64 iEntrada = AgregaEntrada(cnn, e);
        EscribeCambios(cnn, iEntrada, tCambios.antes, tCambios.despues, antes, despues);
        CambiaResultado(cnn, iNumero, Resultado::Deshecha);

        QStringList lineas = tResumen.Lineas();
        const QSet<QString> cambiados(claves.cbegin(), claves.cend());
        qsizetype creados = 0;
        for (const DatosProducto& p : productosDespues)
            creados += !cambiados.contains(p.Clave);
        lineas.append(QStringLiteral("Productos que creó la descarga %1 y se quedan: %2")
                          .arg(iNumero)
                          .arg(creados));
        if (!sBorrados.isEmpty())
            lineas.append(sBorrados);
        tTransaccion.Confirma();
        PunteroRaton::Fija(PunteroNormal);
        CargaDatos();
        InformaHistorial();
        InformaResumen(lineas);
    } catch (const ConfirmacionIncierta& e) {
        PunteroRaton::Fija(PunteroNormal);
        gConexion->Mensaje(
            QStringLiteral("No se sabe si la descarga se deshizo: %1").arg(e.Descripcion()),
            Critico, sTitulo, hWnd(), Modulo);
    } catch (const std::exception& e) {
        PunteroRaton::Fija(PunteroNormal);
        gConexion->Mensaje(DescripcionDe(e), Critico, sTitulo, hWnd(), Modulo);
    }
}

} // namespace kd562
