#include "runtime/Connection.h"
#include "runtime/Error.h"
#include "runtime/ErroresMotor.h"
#include "runtime/EscritorLotes.h"

#include <QSqlDriver>
#include <algorithm>
#include <sqlite3.h>

namespace corvanta {

namespace {

void Liga(sqlite3_stmt* sentencia, int indice, const QVariant& valor, bool nulo) {
    if (nulo) {
        sqlite3_bind_null(sentencia, indice);
        return;
    }
    switch (valor.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(sentencia, indice, valor.toDouble());
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Bool:
        sqlite3_bind_int64(sentencia, indice, valor.toLongLong());
        return;
    default:
        break;
    }
    // UTF-8, the file's own encoding: SQLite need not convert it again.
    const QByteArray texto = valor.toString().toUtf8();
    sqlite3_bind_text(sentencia, indice, texto.constData(), static_cast<int>(texto.size()),
                      SQLITE_TRANSIENT);
}

} // namespace

LotesSqlite::LotesSqlite(Connection& cnn) : mCnn(cnn) {
    const QVariant manejador = cnn.mBase.driver()->handle();
    if (qstrcmp(manejador.typeName(), "sqlite3*") != 0)
        throw Error(QStringLiteral("El controlador de SQLite no entregó su conexión"));
    mBase = *static_cast<sqlite3* const*>(manejador.constData());
}

void LotesSqlite::Inserta(const QString& tabla, const QStringList& columnas, size_t filas,
                          const FilaDeLote& fila) {
    Escribe(QStringLiteral("INSERT INTO %1 (%2) VALUES ")
                .arg(Identificador(tabla), ListaColumnas(columnas)),
            QString(), columnas.size(), filas, fila);
}

void LotesSqlite::Actualiza(const QString& tabla, const QString& columnaClave,
                            const QStringList& columnas, size_t filas, const FilaDeLote& fila) {
    const QStringList todas = QStringList{columnaClave} + columnas;
    Escribe(
        QStringLiteral("WITH lote(%1) AS (VALUES ").arg(ListaColumnas(todas)),
        QStringLiteral(") UPDATE %1 SET %2 FROM lote WHERE %1.%3 = lote.%3")
            .arg(Identificador(tabla), AsignacionesDeLote(columnas), Identificador(columnaClave)),
        todas.size(), filas, fila);
}

// antes + "(?, …), (?, …)…" + despues, for each batch of filas, in statements of at most 999
// parameters: each text is prepared once and run once per batch, with every value bound. (Qt
// names each placeholder, which makes preparing a statement cost the square of its
// parameters.)
void LotesSqlite::Escribe(const QString& antes, const QString& despues, qsizetype columnas,
                          size_t filas, const FilaDeLote& fila) {
    const size_t porLote = static_cast<size_t>(std::max<qsizetype>(1, 999 / columnas));
    const QString marcas = QStringLiteral("(") +
                           QStringList(columnas, QStringLiteral("?")).join(QStringLiteral(", ")) +
                           QStringLiteral(")");
    sqlite3_stmt* sentencia = nullptr;
    size_t preparadaPara = 0;
    auto termina = [&] {
        sqlite3_finalize(sentencia);
        sentencia = nullptr;
    };
    try {
        QVariantList valores;
        for (size_t inicio = 0; inicio < filas; inicio += porLote) {
            const size_t cuantas = std::min(porLote, filas - inicio);
            if (cuantas != preparadaPara) {
                termina();
                const QByteArray sql = (antes +
                                        QStringList(static_cast<qsizetype>(cuantas), marcas)
                                            .join(QStringLiteral(", ")) +
                                        despues)
                                           .toUtf8();
                if (sqlite3_prepare_v2(mBase, sql.constData(), static_cast<int>(sql.size()),
                                       &sentencia, nullptr) != SQLITE_OK)
                    Falla();
                preparadaPara = cuantas;
            }
            int indice = 1;
            for (size_t i = inicio; i < inicio + cuantas; ++i) {
                valores.clear();
                fila(i, valores);
                for (const QVariant& valor : std::as_const(valores))
                    Liga(sentencia, indice++, valor, EsNulo(valor));
            }
            ++mCnn.mSentencias;
            if (sqlite3_step(sentencia) != SQLITE_DONE)
                Falla();
            sqlite3_reset(sentencia);
        }
    } catch (...) {
        if (sentencia)
            sqlite3_reset(sentencia);
        termina();
        throw;
    }
    termina();
}

void LotesSqlite::Falla() const {
    throw Error(QueFallo(MensajeMotor(QString::fromUtf8(sqlite3_errmsg(mBase)),
                                      QString::number(sqlite3_errcode(mBase))),
                         QStringLiteral("INSERT")));
}

} // namespace corvanta
