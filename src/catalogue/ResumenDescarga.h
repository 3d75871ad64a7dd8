#pragma once

#include "catalogue/PlanDescarga.h"

#include <QString>
#include <QStringList>
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
    QString LineaServicios() const;
    QString LineaRetiro() const;
    // Every line, services first.
    QStringList Lineas() const;
};

// Compares the rows stored before with the planned ones.
ResumenDescarga ResumeDescarga(const std::vector<FilaServicio>& antes, const PlanDescarga& plan);

} // namespace kd562
