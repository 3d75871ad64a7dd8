#include "data/Historial.h"

#include "runtime/Connection.h"
#include "runtime/Productos.h"
#include "runtime/Valores.h"

#include <QVariant>
#include <cmath>

using corvanta::Connection;
using corvanta::Recordset;

namespace kd562 {

namespace {

// A value as a line shows it: NULL as nothing, numbers with a point whatever the locale.
QString Celda(const QVariant& valor) {
    if (valor.isNull())
        return QString();
    if (valor.typeId() == QMetaType::Double) {
        // Whole amounts, most of them, skip the general format's slow path.
        const double numero = valor.toDouble();
        if (numero == std::trunc(numero) && std::abs(numero) < 1e15)
            return QString::number(qint64(numero));
        return corvanta::NumeroSQL(numero);
    }
    return corvanta::Texto(valor);
}

} // namespace

const QStringList& ColumnasServicioCambio() {
    static const QStringList columnas = {
        QStringLiteral("Psp_Cve_Producto"), QStringLiteral("Psp_Descripcion"),
        QStringLiteral("Psp_Tipo"),         QStringLiteral("Psp_Grupo"),
        QStringLiteral("Psp_Monto"),        QStringLiteral("Psp_Observacion"),
        QStringLiteral("Pr_Cve_Producto")};
    return columnas;
}

const QStringList& ColumnasProductoCambio() {
    static const QStringList columnas =
        QStringList{QStringLiteral("Pr_Cve_Producto")} + corvanta::Productos::Columnas();
    return columnas;
}

namespace {

QString ConsultaCambios(const QString& clase) {
    const bool servicio = clase.startsWith(QLatin1Char('S'));
    return QStringLiteral("SELECT %1 FROM Pos_Servicio_Descarga_Cambio WHERE Psd_Numero = ? AND "
                          "Psdc_Clase = ?")
        .arg((servicio ? ColumnasServicioCambio() : ColumnasProductoCambio())
                 .join(QStringLiteral(", ")));
}

} // namespace

Recordset LeeCambios(Connection& cnn, qint64 numero, const QString& clase) {
    return cnn.Ejecuta(ConsultaCambios(clase), {numero, clase});
}

void RecorreFilasDeCambio(Connection& cnn, qint64 numero, const QString& clase,
                          const std::function<void(const QVariantList& fila)>& porFila) {
    cnn.Recorre(ConsultaCambios(clase), {numero, clase}, porFila);
}

LectorCambios::LectorCambios(qint64 numero) : mNumero(numero) {}

void LectorCambios::Cierra(const std::function<void(const QStringList& linea)>& porLinea) {
    if (mAntes.size() == 1 && mAhora.size() == 1) {
        porLinea(QStringList{QStringLiteral("~")} + mAntes.front() + mAhora.front());
    } else {
        for (const QStringList& fila : mAntes)
            porLinea(QStringList{QStringLiteral("-")} + fila);
        for (const QStringList& fila : mAhora)
            porLinea(QStringList{QStringLiteral("+")} + fila);
    }
    mAntes.clear();
    mAhora.clear();
}

bool LectorCambios::Lee(Connection& cnn, qint64 filas,
                        const std::function<void(const QStringList& linea)>& porLinea) {
    while (!Terminado()) {
        // One query in key order, a key's old rows before its new ones: each group of rows
        // (a service's key and amount, a product's key) stands together. Every column breaks
        // ties, so that pages of one order neither skip nor repeat a row.
        const bool servicios = mServicios;
        const QStringList& columnas =
            servicios ? ColumnasServicioCambio() : ColumnasProductoCambio();
        const QString claseAntes = servicios ? ServicioAntes : ProductoAntes;
        QString orden = servicios ? QStringLiteral("Psp_Cve_Producto, Psp_Monto, Psdc_Clase DESC")
                                  : QStringLiteral("Pr_Cve_Producto, Psdc_Clase DESC");
        if (filas > 0)
            orden += QStringLiteral(", ") + columnas.join(QStringLiteral(", ")) +
                     QStringLiteral(" LIMIT %1 OFFSET %2").arg(filas).arg(mLeidas);
        qint64 leidas = 0;
        cnn.Recorre(QStringLiteral("SELECT Psdc_Clase, %1 FROM Pos_Servicio_Descarga_Cambio WHERE "
                                   "Psd_Numero = ? AND Psdc_Clase IN (?, ?) ORDER BY %2")
                        .arg(columnas.join(QStringLiteral(", ")), orden),
                    {mNumero, claseAntes, servicios ? ServicioDespues : ProductoDespues},
                    [&](const QVariantList& fila) {
                        ++leidas;
                        const QVariant& k = fila.at(1);
                        const QVariant m = servicios ? fila.at(5) : QVariant();
                        if ((!mAntes.empty() || !mAhora.empty()) &&
                            (k.isNull() != mClave.isNull() || k != mClave ||
                             m.isNull() != mMonto.isNull() || m != mMonto))
                            Cierra(porLinea);
                        mClave = k;
                        mMonto = m;
                        QStringList celdas;
                        celdas.reserve(fila.size() - 1);
                        for (qsizetype i = 1; i < fila.size(); ++i)
                            celdas.append(Celda(fila.at(i)));
                        (fila.at(0).toString() == claseAntes ? mAntes : mAhora)
                            .push_back(std::move(celdas));
                    });
        mLeidas += leidas;
        if (filas > 0 && leidas == filas)
            return true; // a full page: the last group may go on in the next one
        if (!mAntes.empty() || !mAhora.empty())
            Cierra(porLinea);
        mServicios = false;
        mTerminado = !servicios;
        mLeidas = 0;
        mClave = mMonto = QVariant();
        if (filas > 0 && leidas > 0)
            return !Terminado();
    }
    return false;
}

void RecorreCambios(Connection& cnn, qint64 numero,
                    const std::function<void(const QStringList& linea)>& porLinea) {
    LectorCambios(numero).Lee(cnn, 0, porLinea);
}

std::vector<QStringList> LineasDeCambios(Connection& cnn, qint64 numero) {
    std::vector<QStringList> lineas;
    RecorreCambios(cnn, numero, [&](const QStringList& linea) { lineas.push_back(linea); });
    return lineas;
}

std::vector<CampoCambiado> DiferenciaCampos(const QStringList& columnas, const QStringList& antes,
                                            const QStringList& despues) {
    std::vector<CampoCambiado> campos;
    for (qsizetype i = 0; i < columnas.size() && i < antes.size() && i < despues.size(); ++i)
        if (antes.at(i) != despues.at(i))
            campos.push_back({columnas.at(i), antes.at(i), despues.at(i)});
    return campos;
}

} // namespace kd562
