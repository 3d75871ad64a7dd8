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

// What changed since a download among what it touched, for a user who may undo it anyway:
// the products it changed that differ now or are gone, the services of the pairs it touched
// whose rows differ now, and only a word for any other row, since the history keeps one
// digest for the rest of the catalogue.
QStringList CambiosDesde(const std::vector<FilaServicio>& actual,
                         const std::vector<FilaServicio>& viejas,
                         const std::vector<FilaServicio>& nuevas,
                         const std::vector<DatosProducto>& productosDespues,
                         const QHash<QString, DatosProducto>& actuales, const QStringList& claves,
                         const QString& huellaCatalogo) {
    QStringList cambios;
    for (const DatosProducto& p : productosDespues) {
        if (!claves.contains(p.Clave))
            continue; // one it created: no digest was kept of it
        const auto ahora = actuales.constFind(p.Clave);
        if (ahora == actuales.cend())
            cambios.append(QStringLiteral("producto %1 (borrado)").arg(p.Clave));
        else if (!Productos::MismoContenido(*ahora, p))
            cambios.append(QStringLiteral("producto %1").arg(p.Clave));
    }
    // The touched pairs' rows now and as the download left them, in one order.
    using Par = std::pair<QString, quint64>;
    QHash<Par, std::vector<const FilaServicio*>> dejadas, ahora;
    for (const FilaServicio& f : nuevas)
        dejadas[{f.Clave, ClaveMonto(f.Monto)}].push_back(&f);
    for (const FilaServicio& f : viejas)
        dejadas[{f.Clave, ClaveMonto(f.Monto)}];
    std::vector<FilaServicio> comoQuedo;
    for (const FilaServicio& f : actual) {
        const Par par{f.Clave, ClaveMonto(f.Monto)};
        if (dejadas.contains(par))
            ahora[par].push_back(&f);
        else
            comoQuedo.push_back(f);
    }
    QStringList servicios;
    for (auto par = dejadas.cbegin(); par != dejadas.cend(); ++par) {
        std::vector<FilaServicio> a, b;
        for (const FilaServicio* f : par.value())
            a.push_back(*f);
        for (const FilaServicio* f : ahora.value(par.key()))
            b.push_back(*f);
        if (HuellaCatalogo(a) != HuellaCatalogo(b) && !servicios.contains(par.key().first))
            servicios.append(par.key().first);
    }
    servicios.sort();
    for (const QString& clave : servicios)
        cambios.append(QStringLiteral("servicio %1").arg(clave));
    // The rest as the download left it: the untouched rows now, the touched ones as it left
    // them; its digest tells whether any untouched row changed.
    for (const FilaServicio& f : nuevas)
        comoQuedo.push_back(f);
    if (HuellaCatalogo(comoQuedo) != huellaCatalogo)
        cambios.append(QStringLiteral("otras filas del catálogo cambiaron"));
    return cambios;
}

} // namespace

void frmKD562::DeshazDescarga(bool forzar) {
    Deshace(forzar, 0, nullptr);
}

// From the window: when the undo is refused for changes made since, the user is told what
// changed among what it touched and may undo it anyway (No the default).
void frmKD562::DeshazDesdeHistorial() {
    QStringList cambios;
    const std::optional<qint64> numero = UltimaDescargaPorDeshacer();
    if (Deshace(false, 0, &cambios) != ResultadoDeshacer::Cambiaron || !numero)
        return;
    if (gConexion->Mensaje(QStringLiteral("Después de la descarga %1 cambiaron:\r\n%2\r\n\r\n"
                                          "Desea deshacerla de todos modos? Lo que cambió en lo "
                                          "que tocó vuelve a como estaba antes de ella.")
                               .arg(*numero)
                               .arg(cambios.join(QStringLiteral("\r\n"))),
                           int(Pregunta) + SegundoBotonPorOmision,
                           QStringLiteral("Deshacer de todos modos?"), hWnd(),
                           Modulo) == RespuestaNo)
        return;
    Deshace(true, *numero, nullptr);
}

std::optional<qint64> frmKD562::UltimaDescargaPorDeshacer() {
    try {
        Connection& cnn = gConexion->Cnn();
        if (const auto e = ExisteHistorial(cnn) ? UltimaPorDeshacer(cnn) : std::nullopt)
            return e->numero;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

// Takes back the latest download not undone yet: its pairs get the rows they had before (the
// catalogue is written again whole, as a download writes it), the products it changed their
// values before, through Productos; the products it created stay.
// Recorded as an entry of its own. It refuses, changing nothing, when the catalogue or those
// products are no longer as the download left them, unless forced; cambiosDesde then gets
// what changed among what it touched. confirmada: the download the user already agreed to
// take back, which nothing is asked about (0: ask).
frmKD562::ResultadoDeshacer frmKD562::Deshace(bool forzar, qint64 confirmada,
                                              QStringList* cambiosDesde) {
    const QString sTitulo = QStringLiteral("DeshazDescarga()");
    try {
        Connection& cnn = gConexion->Cnn();
        std::optional<EntradaHistorial> descarga;
        if (ExisteHistorial(cnn))
            descarga = UltimaPorDeshacer(cnn);
        if (!descarga) {
            gConexion->Mensaje(QStringLiteral("No hay descargas que deshacer"), Exclamacion,
                               sTitulo, hWnd(), Modulo);
            return ResultadoDeshacer::No;
        }
        const qint64 iNumero = confirmada ? confirmada : descarga->numero;
        if (!confirmada &&
            gConexion->Mensaje(QStringLiteral("Se deshará la descarga %1 del %2 (%3, %4)\r\n"
                                              "Desea continuar?")
                                   .arg(iNumero)
                                   .arg(descarga->fecha, descarga->operador, descarga->terminal),
                               Pregunta, QStringLiteral("Deshacer descarga?"), hWnd(),
                               Modulo) == RespuestaNo)
            return ResultadoDeshacer::No;

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
            return ResultadoDeshacer::No;
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
        const QStringList sCambiosDesde =
            cambiosDesde ? CambiosDesde(actual, viejas, nuevas, productosDespues, actuales, claves,
                                        descarga->huellaCatalogo)
                         : QStringList();
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
                if (cambiosDesde)
                    *cambiosDesde = sCambiosDesde;
                return ResultadoDeshacer::Cambiaron;
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
        return ResultadoDeshacer::Si;
    } catch (const ConfirmacionIncierta& e) {
        PunteroRaton::Fija(PunteroNormal);
        gConexion->Mensaje(
            QStringLiteral("No se sabe si la descarga se deshizo: %1").arg(e.Descripcion()),
            Critico, sTitulo, hWnd(), Modulo);
    } catch (const std::exception& e) {
        PunteroRaton::Fija(PunteroNormal);
        gConexion->Mensaje(DescripcionDe(e), Critico, sTitulo, hWnd(), Modulo);
    }
    return ResultadoDeshacer::No;
}

} // namespace kd562
