#include "runtime/Funciones.h"

#include "runtime/Dialecto.h"
#include "runtime/Error.h"
#include "runtime/Sesion.h"
#include "runtime/Valores.h"

#include <QApplication>
#include <QClipboard>
#include <QCryptographicHash>
#include <QWidget>

namespace corvanta {

namespace {

QString TextoCelda(const QVariant& valor) {
    if (valor.isNull())
        return QString();
    return Texto(valor);
}

} // namespace

QString Funciones::Busqueda(const QString& tabla, const QString& columnaBusca, const QString& valor,
                            const QString& columnaRegresa, int limite, const QString& condicion,
                            const QString& orden, const QString& omision) {
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = '%4'")
                      .arg(Identificador(columnaRegresa), Identificador(tabla),
                           Identificador(columnaBusca), Comillas(valor));
    if (!condicion.isEmpty())
        sql += QStringLiteral(" AND (%1)").arg(condicion);
    if (!orden.isEmpty())
        sql += QStringLiteral(" ORDER BY %1").arg(orden);
    if (limite > 0)
        sql += QStringLiteral(" LIMIT %1").arg(limite);
    Recordset rs = Sesion::Conexion().Execute(sql);
    if (rs.Eof())
        return omision;
    return Concatena(rs.Fields(0));
}

QDateTime Funciones::FechaServidor() {
    Connection& cnn = Sesion::Conexion();
    Recordset rs = cnn.Execute(SentenciaFechaServidor(cnn.motor()));
    const QDateTime fecha = QDateTime::fromString(Texto(rs.Fields(0)), Qt::ISODate);
    if (!fecha.isValid())
        throw Error(QStringLiteral("El servidor devolvió una fecha no válida"));
    return fecha;
}

QString Funciones::FechaSQL(const QDateTime& fecha) {
    return fecha.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

void Funciones::FormatoForma(QWidget* forma, int modo) {
    if (!forma)
        throw Error(QStringLiteral("Variable de objeto no establecida"));
    // The suite's look: a styled background and a title for the task bar; the mode is
    // kept for the suite's style sheets (1 is a catalogue screen).
    forma->setProperty("corvantaFormato", modo);
    forma->setAttribute(Qt::WA_StyledBackground, true);
    if (forma->windowTitle().isEmpty())
        forma->setWindowTitle(QStringLiteral("Corvanta"));
}

bool Funciones::LlenaLista(Recordset rs, ListaReporte& lista) {
    mMensajeError.clear();
    try {
        const int columnas = rs.FieldCount();
        QStringList encabezados;
        for (int c = 0; c < columnas; ++c)
            encabezados.append(rs.FieldName(c));

        QList<QStringList> filas;
        QList<int> marcas;
        filas.reserve(rs.RecordCount());
        marcas.reserve(rs.RecordCount());
        for (; !rs.Eof(); rs.MoveNext()) {
            QStringList fila;
            fila.reserve(columnas);
            for (int c = 0; c < columnas; ++c)
                fila.append(TextoCelda(rs.Fields(c)));
            // A note that reads as an error gets the red mark, any other note the green one.
            const QString nota = columnas > 0 ? fila.constLast() : QString();
            int marca = SinMarca;
            if (nota.startsWith(QStringLiteral("Error"), Qt::CaseInsensitive))
                marca = MarcaError;
            else if (!nota.isEmpty())
                marca = MarcaInformacion;
            filas.append(std::move(fila));
            marcas.append(marca);
        }
        // The rows are texts now: a list of 100,000 need not be held twice while it is shown.
        rs = Recordset();
        lista.Reemplaza(encabezados, filas, marcas);
        return true;
    } catch (const Error& e) {
        mMensajeError = e.Descripcion();
        return false;
    }
}

QString Funciones::ClaveTransaccion(const QString& transaccion, const QString& aplicacion) {
    // The host checks the screen by recomputing this key from the text it handed out.
    const QByteArray huella = QCryptographicHash::hash(
        (aplicacion + QLatin1Char('|') + transaccion).toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(huella.toHex().left(20)).toUpper();
}

QVariant Funciones::CopiaLista(const ListaReporte& lista) {
    QStringList lineas;
    QStringList encabezados;
    for (int c = 1; c <= lista.ColumnCount(); ++c)
        encabezados.append(lista.ColumnHeader(c));
    lineas.append(encabezados.join(QLatin1Char('\t')));
    for (int i = 1; i <= lista.ListItemsCount(); ++i) {
        QStringList celdas;
        for (int c = 0; c < lista.ColumnCount(); ++c)
            celdas.append(lista.SubItem(i, c));
        lineas.append(celdas.join(QLatin1Char('\t')));
    }
    const QString texto = lineas.join(QLatin1Char('\n'));
    if (QClipboard* portapapeles = QApplication::clipboard())
        portapapeles->setText(texto);
    return texto;
}

} // namespace corvanta
