#pragma once

#include "catalogue/PlanDescarga.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <tuple>
#include <vector>

namespace kd562 {

// The amount as a pair's key: a NULL amount, which rows written by another program may hold
// and which reads as NaN, is one value, as is zero whatever its sign.
inline quint64 ClaveMonto(double monto) {
    return std::isnan(monto) ? ~quint64(0) : std::bit_cast<quint64>(monto + 0.0);
}

// A row by its (service key, amount) pair, then by what it holds: the rows of one pair end
// up together, as a sorted multiset. Sorting pointers costs a fraction of the memory of
// hashing each pair's rows, and a catalogue may have 100,000 of them.
struct Fila {
    const FilaServicio* f;
    quint64 monto;

    auto Llave() const { return std::tie(f->Clave, monto); }
    // What the summary compares: what a row shows.
    auto Muestra() const { return std::tie(f->Descripcion, f->Grupo, f->Observacion, f->Producto); }
    // Everything a row holds, NULLs told from empty texts: the order, and what an undo must
    // give back.
    auto Todo() const {
        return std::make_tuple(std::cref(f->Clave), monto, std::cref(f->Descripcion),
                               std::cref(f->Grupo), std::cref(f->Observacion),
                               std::cref(f->Producto), std::cref(f->Tipo), f->Clave.isNull(),
                               f->Descripcion.isNull(), f->Grupo.isNull(), f->Observacion.isNull(),
                               f->Producto.isNull(), f->Tipo.isNull());
    }
};

inline std::vector<Fila> Ordenadas(const std::vector<FilaServicio>& filas) {
    std::vector<Fila> orden;
    orden.reserve(filas.size());
    for (const FilaServicio& f : filas)
        orden.push_back({&f, ClaveMonto(f.Monto)});
    std::sort(orden.begin(), orden.end(),
              [](const Fila& a, const Fila& b) { return a.Todo() < b.Todo(); });
    return orden;
}

} // namespace kd562
