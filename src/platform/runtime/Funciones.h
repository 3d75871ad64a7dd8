#pragma once

#include "runtime/ListaReporte.h"
#include "runtime/Recordset.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

class QWidget;

namespace corvanta {

// General functions of the suite: look-ups, server dates, form styling, list filling and
// copying, and the host transaction key.
class Funciones {
public:
    // Value of columnaRegresa from the row of tabla whose columnaBusca equals valor; "" when
    // there is none. The last four arguments are kept for the suite's callers (a row limit
    // of 0 meaning none, an extra condition, an order and a default value).
    QString Busqueda(const QString& tabla, const QString& columnaBusca, const QString& valor,
                     const QString& columnaRegresa, int limite = 0,
                     const QString& condicion = QString(), const QString& orden = QString(),
                     const QString& omision = QString());
    QDateTime FechaServidor();
    QString FechaSQL(const QDateTime& fecha);
    void FormatoForma(QWidget* forma, int modo);
    bool LlenaLista(Recordset rs, ListaReporte& lista);
    QString MensajeError() const { return mMensajeError; }
    QString ClaveTransaccion(const QString& transaccion, const QString& aplicacion);
    QVariant CopiaLista(const ListaReporte& lista);

private:
    QString mMensajeError;
};

} // namespace corvanta
