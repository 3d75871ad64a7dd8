#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace corvanta {

// The marks a report row may carry in front of its text.
enum MarcaFila { SinMarca = 0, MarcaInformacion = 1, MarcaError = 2 };

// What the suite's list helpers need of a report-style list. The list view control
// implements it, so the runtime does not depend on the controls.
class ListaReporte {
public:
    virtual ~ListaReporte() = default;

    // Replaces the headings and every row at once, keeping the list's own sort settings;
    // filas[i][0] is a row's text, the rest its sub-items, marcas[i] its MarcaFila.
    virtual void Reemplaza(const QStringList& encabezados, const QList<QStringList>& filas,
                           const QList<int>& marcas) = 0;
    virtual int ColumnCount() const = 0;
    virtual QString ColumnHeader(int columna) const = 0; // from 1
    virtual int ListItemsCount() const = 0;
    virtual QString SubItem(int indice, int columna) const = 0; // row from 1, column from 0
};

} // namespace corvanta
