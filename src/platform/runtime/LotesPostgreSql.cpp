#include "runtime/Connection.h"
#include "runtime/Error.h"
#include "runtime/ErroresMotor.h"
#include "runtime/EscritorLotes.h"

#include <libpq-fe.h>

namespace corvanta {

namespace {

// One value in COPY's text format: \N for NULL, backslash escapes for the separators.
void AgregaValorCopia(QByteArray& linea, const QVariant& valor, bool nulo) {
    if (nulo) {
        linea += "\\N";
        return;
    }
    switch (valor.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        // 17 significant digits read back as the very same double.
        linea += QByteArray::number(valor.toDouble(), 'g', 17);
        return;
    case QMetaType::Bool:
        linea += valor.toBool() ? "t" : "f";
        return;
    default:
        break;
    }
    const QByteArray texto = valor.toString().toUtf8();
    for (const char c : texto) {
        switch (c) {
        case '\\':
            linea += "\\\\";
            break;
        case '\t':
            linea += "\\t";
            break;
        case '\n':
            linea += "\\n";
            break;
        case '\r':
            linea += "\\r";
            break;
        default:
            linea += c;
        }
    }
}

} // namespace

// COPY ... FROM STDIN: the rows go in blocks of about half a megabyte and the server answers
// once, at the end.
void LotesPostgreSql::Inserta(const QString& tabla, const QStringList& columnas, size_t filas,
                              const FilaDeLote& fila) {
    PGconn* pq = mCnn.EnlacePq();
    if (!pq)
        throw Error(QStringLiteral("El controlador de PostgreSQL no entregó su conexión"));
    const QByteArray sql = QStringLiteral("COPY %1 (%2) FROM STDIN")
                               .arg(Identificador(tabla), ListaColumnas(columnas))
                               .toUtf8();
    ++mCnn.mSentencias;
    PGresult* resultado = PQexec(pq, sql.constData());
    if (PQresultStatus(resultado) != PGRES_COPY_IN) {
        const QString motivo = ErrorPq(resultado, pq);
        PQclear(resultado);
        throw mCnn.Falla(motivo, QStringLiteral("COPY"));
    }
    PQclear(resultado);
    QByteArray bloque;
    bloque.reserve(1 << 20);
    bool enviado = true;
    auto envia = [&] {
        if (enviado && !bloque.isEmpty())
            enviado = PQputCopyData(pq, bloque.constData(), static_cast<int>(bloque.size())) == 1;
        bloque.clear();
    };
    QVariantList valores;
    for (size_t f = 0; f < filas; ++f) {
        valores.clear();
        fila(f, valores);
        for (qsizetype i = 0; i < valores.size(); ++i) {
            if (i > 0)
                bloque += '\t';
            AgregaValorCopia(bloque, valores.at(i), EsNulo(valores.at(i)));
        }
        bloque += '\n';
        if (bloque.size() > (1 << 19))
            envia();
    }
    envia();
    PQputCopyEnd(pq, enviado ? nullptr : "envío interrumpido");
    QString motivo;
    while ((resultado = PQgetResult(pq))) {
        if (PQresultStatus(resultado) != PGRES_COMMAND_OK && motivo.isEmpty())
            motivo = ErrorPq(resultado, pq);
        PQclear(resultado);
    }
    if (!enviado && motivo.isEmpty())
        motivo = ErrorPq(nullptr, pq);
    if (!motivo.isEmpty())
        throw mCnn.Falla(motivo, QStringLiteral("COPY"));
}

// The rows go by COPY into a table of this transaction, then one UPDATE joins it.
void LotesPostgreSql::Actualiza(const QString& tabla, const QString& columnaClave,
                                const QStringList& columnas, size_t filas, const FilaDeLote& fila) {
    const QStringList todas = QStringList{columnaClave} + columnas;
    mCnn.EjecutaControl(
        QStringLiteral("CREATE TEMP TABLE lote ON COMMIT DROP AS SELECT %1 FROM %2 WITH NO DATA")
            .arg(ListaColumnas(todas), Identificador(tabla)));
    Inserta(QStringLiteral("lote"), todas, filas, fila);
    mCnn.EjecutaControl(
        QStringLiteral("UPDATE %1 SET %2 FROM lote WHERE %1.%3 = lote.%3")
            .arg(Identificador(tabla), AsignacionesDeLote(columnas), Identificador(columnaClave)));
    mCnn.EjecutaControl(QStringLiteral("DROP TABLE lote"));
}

} // namespace corvanta
