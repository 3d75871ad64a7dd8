#include "host/Impresora.h"

#include "runtime/EscapaLinea.h"

#include <QDateTime>

namespace kd562host {

namespace {

// One row a line, cells between tabs, each through the one escape: what scripts read.
class ImpresoraTsv : public Impresora {
public:
    explicit ImpresoraTsv(QTextStream& salida) : mSalida(salida) {}
    void Hecho(const QString& clave, const QVariant& valor) override {
        Linea({clave, Celda(valor)});
    }
    void Dato(const QString&, const QVariant&) override {}
    void Empieza(const QString&, const QList<Columna>& columnas) override {
        QStringList encabezados;
        for (const Columna& c : columnas)
            encabezados.append(c.encabezado);
        if (!encabezados.isEmpty())
            Linea(encabezados);
    }
    void Agrega(const Fila& fila) override {
        QStringList celdas;
        for (const QVariant& v : fila)
            celdas.append(Celda(v));
        Linea(celdas);
    }
    void TerminaFilas(const QString& leyenda) override {
        if (!leyenda.isEmpty())
            Linea({leyenda});
    }
    void Cambio(const QStringList& linea) override { Linea(linea); }
    void Termina() override { mSalida.flush(); }

private:
    static QString Celda(const QVariant& v) {
        if (v.typeId() == QMetaType::QDateTime)
            return v.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
        if (v.typeId() == QMetaType::Bool)
            return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        return v.toString();
    }
    void Linea(const QStringList& celdas) {
        for (qsizetype i = 0; i < celdas.size(); ++i) {
            if (i > 0)
                mSalida << '\t';
            mSalida << corvanta::EscapaLinea(celdas.at(i));
        }
        mSalida << '\n';
    }
    QTextStream& mSalida;
};

} // namespace

std::unique_ptr<Impresora> CreaImpresoraTsv(QTextStream& salida) {
    return std::make_unique<ImpresoraTsv>(salida);
}

} // namespace kd562host
