#include "catalogue/ResumenDescarga.h"

#include "catalogue/Huellas.h"
#include "catalogue/OrdenFilas.h"

#include "runtime/Productos.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <tuple>

namespace kd562 {

namespace {

// The end of the run of rows of the same pair that starts at i.
size_t FinDePar(const std::vector<Fila>& filas, size_t i) {
    size_t j = i + 1;
    while (j < filas.size() && filas[j].Llave() == filas[i].Llave())
        ++j;
    return j;
}

constexpr int kMaxCompartidas = 20;
// Descriptions named in one line; a bill key may gather thousands.
constexpr int kMaxDescripciones = 5;

// Product keys that rows with different descriptions share, in the order the reply first
// names them, each with its descriptions in that order.
std::vector<ResumenDescarga::ClaveCompartida> Compartidas(const std::vector<FilaServicio>& filas) {
    // Rows by (product key, description, position): each description's first row leads its run.
    std::vector<size_t> orden(filas.size());
    for (size_t i = 0; i < orden.size(); ++i)
        orden[i] = i;
    std::sort(orden.begin(), orden.end(), [&](size_t a, size_t b) {
        return std::tie(filas[a].Producto, filas[a].Descripcion, a) <
               std::tie(filas[b].Producto, filas[b].Descripcion, b);
    });
    std::vector<std::pair<size_t, ResumenDescarga::ClaveCompartida>> compartidas;
    std::vector<size_t> primeras; // the first row of each description of one key
    for (size_t i = 0; i < orden.size();) {
        const QString& clave = filas[orden[i]].Producto;
        primeras.clear();
        size_t j = i;
        for (; j < orden.size() && filas[orden[j]].Producto == clave; ++j)
            if (j == i || filas[orden[j]].Descripcion != filas[orden[j - 1]].Descripcion)
                primeras.push_back(orden[j]);
        i = j;
        if (primeras.size() < 2)
            continue;
        std::sort(primeras.begin(), primeras.end());
        ResumenDescarga::ClaveCompartida c{clave, {}, static_cast<int>(primeras.size())};
        for (size_t k = 0; k < primeras.size() && k < size_t(kMaxDescripciones); ++k)
            c.descripciones.append(filas[primeras[k]].Descripcion);
        compartidas.push_back({primeras.front(), std::move(c)});
    }
    std::sort(compartidas.begin(), compartidas.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<ResumenDescarga::ClaveCompartida> claves;
    claves.reserve(compartidas.size());
    for (auto& c : compartidas)
        claves.push_back(std::move(c.second));
    return claves;
}

} // namespace

ResumenDescarga ResumeDescarga(const std::vector<FilaServicio>& antes, const PlanDescarga& plan,
                               CambiosDescarga* cambios) {
    return ResumeDescarga(Ordenadas(antes), plan, cambios);
}

ResumenDescarga ResumeDescarga(const std::vector<Fila>& viejas, const PlanDescarga& plan,
                               CambiosDescarga* cambios) {
    ResumenDescarga r;
    const std::vector<Fila> nuevas = Ordenadas(plan.filas);
    auto anota = [&](std::vector<const FilaServicio*> CambiosDescarga::*lado,
                     const std::vector<Fila>& filas, size_t desde, size_t hasta) {
        if (cambios)
            for (size_t i = desde; i < hasta; ++i)
                ((*cambios).*lado).push_back(filas[i].f);
    };
    // One walk over both sorted lists, a pair at a time.
    size_t v = 0, n = 0;
    while (v < viejas.size() || n < nuevas.size()) {
        if (n == nuevas.size() || (v < viejas.size() && viejas[v].Llave() < nuevas[n].Llave())) {
            const size_t finV = FinDePar(viejas, v);
            ++r.paresGuardados;
            ++r.serviciosRetirados;
            anota(&CambiosDescarga::antes, viejas, v, finV);
            v = finV;
        } else if (v == viejas.size() || nuevas[n].Llave() < viejas[v].Llave()) {
            const size_t finN = FinDePar(nuevas, n);
            ++r.serviciosNuevos;
            anota(&CambiosDescarga::despues, nuevas, n, finN);
            n = finN;
        } else {
            const size_t finV = FinDePar(viejas, v), finN = FinDePar(nuevas, n);
            auto iguales = [&](auto&& campos) {
                return std::equal(viejas.begin() + v, viejas.begin() + finV, nuevas.begin() + n,
                                  nuevas.begin() + finN, campos);
            };
            ++r.paresGuardados;
            ++(iguales([](const Fila& a, const Fila& b) { return a.Muestra() == b.Muestra(); })
                   ? r.serviciosSinCambio
                   : r.serviciosCambiados);
            if (!iguales([](const Fila& a, const Fila& b) { return a.Todo() == b.Todo(); })) {
                anota(&CambiosDescarga::antes, viejas, v, finV);
                anota(&CambiosDescarga::despues, nuevas, n, finN);
            }
            v = finV;
            n = finN;
        }
    }

    r.productosNuevos = static_cast<int>(plan.nuevos.size());
    for (const corvanta::DatosProducto& p : plan.existentes) {
        if (corvanta::Productos::MismoContenido(plan.leidos.value(p.Clave), p)) {
            ++r.productosSinCambio;
        } else {
            ++r.productosCambiados;
            if (cambios)
                cambios->productos.push_back(&p);
        }
    }
    r.clavesCompartidas = Compartidas(plan.filas);
    if (cambios)
        cambios->huellaDespues = HuellaCatalogo(nuevas);
    return r;
}

QString ResumenDescarga::LineaServicios() const {
    return QStringLiteral("Servicios: %1 nuevos, %2 retirados, %3 cambiados, %4 sin cambio")
        .arg(serviciosNuevos)
        .arg(serviciosRetirados)
        .arg(serviciosCambiados)
        .arg(serviciosSinCambio);
}

QString ResumenDescarga::AvisoRetiro() const {
    return QStringLiteral("La descarga retiraría %1 de los %2 servicios guardados, más de la "
                          "mitad")
        .arg(serviciosRetirados)
        .arg(paresGuardados);
}

QString ResumenDescarga::LineaRetiro() const {
    return AvisoRetiro() + QStringLiteral("; no se guardó ningún cambio");
}

bool ResumenDescarga::SoloAgrega() const {
    return serviciosRetirados == 0 && serviciosCambiados == 0 && productosCambiados == 0;
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
