#include "host/Impresora.h"

#include "data/Historial.h"
#include "runtime/EscapaLinea.h"

#include <QDateTime>
#include <vector>

namespace kd562host {

namespace {

// Columns aligned under their headings, numbers to the right, for a person at a terminal:
// the rows are held until the widths are known. A history entry's changes name each field
// that changed and stream as they come.
class ImpresoraTexto : public Impresora {
public:
    explicit ImpresoraTexto(QTextStream& salida) : mSalida(salida) {}
    void Hecho(const QString&, const QVariant&) override {}
    void Dato(const QString&, const QVariant&) override {}
    void Empieza(const QString&, const QList<Columna>& columnas) override {
        mColumnas = columnas;
        QStringList encabezados;
        for (const Columna& c : columnas)
            encabezados.append(c.corto.isEmpty() ? c.encabezado : c.corto);
        mFilas = {encabezados};
    }
    void Agrega(const Fila& fila) override {
        QStringList celdas;
        for (const QVariant& v : fila)
            celdas.append(corvanta::EscapaLinea(Celda(v)));
        mFilas.push_back(celdas);
    }
    void TerminaFilas(const QString& leyenda) override {
        std::vector<qsizetype> anchos(size_t(mColumnas.size()), 0);
        for (const QStringList& fila : mFilas)
            for (qsizetype i = 0; i < fila.size() && i < mColumnas.size(); ++i)
                anchos[size_t(i)] = std::max(anchos[size_t(i)], fila.at(i).size());
        for (const QStringList& fila : mFilas) {
            QString linea;
            for (qsizetype i = 0; i < fila.size() && i < mColumnas.size(); ++i) {
                const bool ultima = i + 1 == mColumnas.size();
                const int ancho = int(anchos[size_t(i)]);
                if (i > 0)
                    linea += QStringLiteral("  ");
                linea += mColumnas.at(i).tipo == Columna::Numero ? fila.at(i).rightJustified(ancho)
                         : ultima                                ? fila.at(i)
                                                                 : fila.at(i).leftJustified(ancho);
            }
            // An empty last cell leaves no blanks at the end.
            while (linea.endsWith(QLatin1Char(' ')))
                linea.chop(1);
            mSalida << linea << '\n';
        }
        mFilas.clear();
        if (!leyenda.isEmpty())
            mSalida << corvanta::EscapaLinea(leyenda) << '\n';
    }
    void Cambio(const QStringList& linea) override {
        const CambioLeido c = LeeCambio(linea);
        const QStringList& fila = c.antes.isEmpty() ? c.despues : c.antes;
        mSalida << corvanta::EscapaLinea(
                       c.servicio ? QStringLiteral("%1 servicio %2 (%3)")
                                        .arg(c.marca, fila.value(0), fila.value(4))
                                  : QStringLiteral("%1 producto %2").arg(c.marca, fila.value(0)))
                << '\n';
        if (c.marca == QStringLiteral("~")) {
            for (const kd562::CampoCambiado& campo :
                 kd562::DiferenciaCampos(c.columnas, c.antes, c.despues))
                Campo(QStringLiteral("%1: %2 → %3").arg(campo.campo, campo.antes, campo.despues));
            return;
        }
        for (qsizetype i = 1; i < c.columnas.size(); ++i)
            Campo(QStringLiteral("%1: %2").arg(c.columnas.at(i), fila.value(i)));
    }
    void Termina() override { mSalida.flush(); }

private:
    void Campo(const QString& texto) { mSalida << "    " << corvanta::EscapaLinea(texto) << '\n'; }
    static QString Celda(const QVariant& v) {
        if (v.typeId() == QMetaType::QDateTime)
            return kd562::FechaEnPantalla(v.toDateTime().toString(Qt::ISODate));
        return v.toString();
    }
    QTextStream& mSalida;
    QList<Columna> mColumnas;
    std::vector<QStringList> mFilas;
};

} // namespace

std::unique_ptr<Impresora> CreaImpresoraTexto(QTextStream& salida) {
    return std::make_unique<ImpresoraTexto>(salida);
}

} // namespace kd562host
