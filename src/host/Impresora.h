#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QVariant>
#include <memory>

namespace kd562host {

// How a command writes what it produces on standard output.
enum class Formato { Texto, Tsv, Json, Nagios, Prometheus };

// One column of what a command produces.
struct Columna {
    enum Tipo { Texto, Numero, Fecha };
    QString encabezado; // as tab-separated lines name it
    QString corto;      // aligned text's heading; empty: the same
    QString clave;      // the member's name in JSON
    Tipo tipo = Texto;
};

// The same column's value in every format: a date is a QDateTime, a number a double or an
// integer, a missing value a null QVariant.
using Fila = QVariantList;

// Writes one document: facts, rows under headings, or history changes, each as it comes,
// so that a large change is never held whole (aligned text holds the rows it must measure).
class Impresora {
public:
    virtual ~Impresora() = default;
    // A fact the command reports: a line "clave<TAB>valor" in tsv, a member in JSON; text
    // leaves the words to the command.
    virtual void Hecho(const QString& clave, const QVariant& valor) = 0;
    // A member only a script needs: JSON's alone.
    virtual void Dato(const QString& clave, const QVariant& valor) = 0;
    // Rows under `columnas`, JSON's member `nombre`.
    virtual void Empieza(const QString& nombre, const QList<Columna>& columnas) = 0;
    virtual void Agrega(const Fila& fila) = 0;
    // The rows end; `leyenda` ("Total: 3") closes them in text and tsv.
    virtual void TerminaFilas(const QString& leyenda = QString()) = 0;
    // A change of a history entry as RecorreCambios gives it: "+", "-" or "~", then the
    // columns (for "~" the old ones, then the new).
    virtual void Cambio(const QStringList& linea) = 0;
    // The document is complete.
    virtual void Termina() = 0;
};

std::unique_ptr<Impresora> CreaImpresora(Formato formato, QTextStream& salida);

// A date as ISO 8601 with its offset, as JSON writes it.
QString FechaIso(const QDateTime& fecha);

// The history's change line, split: whether it is a service's, and its columns.
struct CambioLeido {
    QString marca;
    bool servicio = true;
    QStringList columnas;
    QStringList antes;   // empty for "+"
    QStringList despues; // empty for "-"
};
CambioLeido LeeCambio(const QStringList& linea);

} // namespace kd562host
