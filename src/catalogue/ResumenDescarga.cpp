#include "catalogue/ResumenDescarga.h"

#include "runtime/Productos.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace kd562 {

namespace {

// The amount as a pair's key: a NULL amount, which rows written by another program may hold
// and which reads as NaN, is one value, as is zero whatever its sign.
quint64 ClaveMonto(double monto) {
    return std::isnan(monto) ? ~quint64(0) : std::bit_cast<quint64>(monto + 0.0);
}

using Par = std::pair<QString, quint64>;
using Contenido = std::vector<std::array<QString, 4>>;

// The rows of each (service key, amount) pair, as a sorted multiset of what a row shows.
QHash<Par, Contenido> PorPar(const std::vector<FilaServicio>& filas) {
    QHash<Par, Contenido> pares;
    for (const FilaServicio& f : filas)
        pares[{f.Clave, ClaveMonto(f.Monto)}].push_back(
            {f.Descripcion, f.Grupo, f.Observacion, f.Producto});
    for (Contenido& c : pares)
        std::sort(c.begin(), c.end());
    return pares;
}

constexpr int kMaxCompartidas = 20;
// Descriptions named in one line; a bill key may gather thousands.
constexpr int kMaxDescripciones = 5;

} // namespace

ResumenDescarga ResumeDescarga(const std::vector<FilaServicio>& antes, const PlanDescarga& plan) {
    ResumenDescarga r;
    const QHash<Par, Contenido> viejos = PorPar(antes);
    const QHash<Par, Contenido> nuevos = PorPar(plan.filas);
    r.paresGuardados = static_cast<int>(viejos.size());
    for (auto it = nuevos.cbegin(); it != nuevos.cend(); ++it) {
        const auto viejo = viejos.constFind(it.key());
        if (viejo == viejos.cend())
            ++r.serviciosNuevos;
        else if (*viejo == *it)
            ++r.serviciosSinCambio;
        else
            ++r.serviciosCambiados;
    }
    for (auto it = viejos.cbegin(); it != viejos.cend(); ++it)
        if (!nuevos.contains(it.key()))
            ++r.serviciosRetirados;

    r.productosNuevos = static_cast<int>(plan.nuevos.size());
    for (const corvanta::DatosProducto& p : plan.existentes) {
        if (corvanta::Productos::MismoContenido(plan.leidos.value(p.Clave), p))
            ++r.productosSinCambio;
        else
            ++r.productosCambiados;
    }

    // Each (key, description) is looked up once in a set: linear in the rows.
    QHash<QString, size_t> posicion;
    QSet<std::pair<QString, QString>> vistas;
    for (const FilaServicio& f : plan.filas) {
        if (vistas.contains({f.Producto, f.Descripcion}))
            continue;
        vistas.insert({f.Producto, f.Descripcion});
        auto it = posicion.constFind(f.Producto);
        if (it == posicion.cend()) {
            it = posicion.insert(f.Producto, r.clavesCompartidas.size());
            r.clavesCompartidas.push_back({f.Producto, {}, 0});
        }
        ResumenDescarga::ClaveCompartida& c = r.clavesCompartidas[*it];
        if (++c.total <= kMaxDescripciones)
            c.descripciones.append(f.Descripcion);
    }
    std::erase_if(r.clavesCompartidas, [](const auto& c) { return c.total < 2; });
    return r;
}

QString ResumenDescarga::LineaServicios() const {
    return QStringLiteral("Servicios: %1 nuevos, %2 retirados, %3 cambiados, %4 sin cambio")
        .arg(serviciosNuevos)
        .arg(serviciosRetirados)
        .arg(serviciosCambiados)
        .arg(serviciosSinCambio);
}

QString ResumenDescarga::LineaRetiro() const {
    return QStringLiteral("La descarga retiraría %1 de los %2 servicios guardados, más de la "
                          "mitad; no se guardó ningún cambio")
        .arg(serviciosRetirados)
        .arg(paresGuardados);
}

QStringList ResumenDescarga::Lineas() const {
    QStringList lineas = {LineaServicios(),
                          QStringLiteral("Productos: %1 nuevos, %2 cambiados, %3 sin cambio")
                              .arg(productosNuevos)
                              .arg(productosCambiados)
                              .arg(productosSinCambio)};
    const int mostradas =
        std::min<int>(kMaxCompartidas, static_cast<int>(clavesCompartidas.size()));
    for (int i = 0; i < mostradas; ++i) {
        const ClaveCompartida& c = clavesCompartidas[static_cast<size_t>(i)];
        QString nombres = c.descripciones.join(QStringLiteral(", "));
        if (c.total > c.descripciones.size())
            nombres += QStringLiteral(" y %1 más").arg(c.total - c.descripciones.size());
        lineas.append(QStringLiteral("Clave compartida %1: %2").arg(c.clave, nombres));
    }
    if (static_cast<int>(clavesCompartidas.size()) > mostradas)
        lineas.append(QStringLiteral("… y %1 claves compartidas más")
                          .arg(clavesCompartidas.size() - mostradas));
    return lineas;
}

} // namespace kd562
