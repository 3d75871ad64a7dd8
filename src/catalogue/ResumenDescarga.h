#pragma once

#include "catalogue/OrdenFilas.h"
#include "catalogue/PlanDescarga.h"

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

namespace kd562 {

// What a download changes, for the operator: services counted as distinct pairs of service
// key and amount, products over those the download saves.
struct ResumenDescarga {
    int serviciosNuevos = 0;
    int serviciosRetirados = 0;
    int serviciosCambiados = 0;
    int serviciosSinCambio = 0;
    int paresGuardados = 0; // pairs stored before the download
    int productosNuevos = 0;
    int productosCambiados = 0;
    int productosSinCambio = 0;
    // A product key shared by services with different descriptions: how many, and the first
    // few of them in reply order.
    struct ClaveCompartida {
        QString clave;
        QStringList descripciones;
        int total = 0;
    };
    // In reply order.
    std::vector<ClaveCompartida> clavesCompartidas;

    // More than half of the stored pairs would go: a glitch of the gateway that returned a
    // fraction of its catalogue looks like this.
    bool RetiraDemasiado() const {
        return paresGuardados > 0 && 2 * serviciosRetirados > paresGuardados;
    }
    // Services new, retired, changed, unchanged; products new, changed, unchanged.
    std::array<int, 7> Cuentas() const {
        return {serviciosNuevos, serviciosRetirados, serviciosCambiados, serviciosSinCambio,
                productosNuevos, productosCambiados, productosSinCambio};
    }
    // Nothing stored is retired or changed: it only adds, or changes nothing.
    bool SoloAgrega() const;
    QString LineaServicios() const;
    // "La descarga retiraría N de los M servicios guardados, más de la mitad", and the line
    // of a download refused for it.
    QString AvisoRetiro() const;
    QString LineaRetiro() const;
    // Every line, services first.
    QStringList Lineas() const;
};

// What a download changes, for its history: every row of the pairs it retires or changes
// (antes) and of those it adds or changes (despues), a pair being changed here when any of
// its rows differs in anything it holds; and the stored products it changes. Pointers into
// the rows and the plan compared.
struct CambiosDescarga {
    std::vector<const FilaServicio*> antes;
    std::vector<const FilaServicio*> despues;
    std::vector<const corvanta::DatosProducto*> productos;
    // HuellaCatalogo of the planned rows, taken from the summary's own sorted walk.
    QString huellaDespues;
};

// Compares the rows stored before with the planned ones; fills cambios when given.
ResumenDescarga ResumeDescarga(const std::vector<FilaServicio>& antes, const PlanDescarga& plan,
                               CambiosDescarga* cambios = nullptr);
// The same with the rows stored before already in their order (Ordenadas).
ResumenDescarga ResumeDescarga(const std::vector<Fila>& viejas, const PlanDescarga& plan,
                               CambiosDescarga* cambios);

} // namespace kd562
