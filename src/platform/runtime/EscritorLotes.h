#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>

struct sqlite3;

namespace corvanta {

class Connection;

// Row i of a batch, written into fila (which comes empty): rows are made one at a time as
// they are sent, never all at once.
using FilaDeLote = std::function<void(size_t i, QVariantList& fila)>;

// How a connection writes many rows at once. Values are bound (or sent in the engine's own
// bulk format), never pasted into statement text; the number of statements grows with the
// number of batches, not of rows. Every row has one value per column.
class EscritorLotes {
public:
    virtual ~EscritorLotes() = default;
    virtual void Inserta(const QString& tabla, const QStringList& columnas, size_t filas,
                         const FilaDeLote& fila) = 0;
    // Sets columnas (in order) to each row's values after the first, on the rows of tabla
    // whose columnaClave equals the row's first value.
    virtual void Actualiza(const QString& tabla, const QString& columnaClave,
                           const QStringList& columnas, size_t filas, const FilaDeLote& fila) = 0;

protected:
    // The names, each checked as an identifier, joined by commas.
    static QString ListaColumnas(const QStringList& columnas);
    static bool EsNulo(const QVariant& valor);
    // "a = lote.a, b = lote.b": the columns set from a table or list named lote.
    static QString AsignacionesDeLote(const QStringList& columnas);
};

// Multi-row statements through SQLite's own API on the driver's connection.
class LotesSqlite : public EscritorLotes {
public:
    explicit LotesSqlite(Connection& cnn);
    void Inserta(const QString& tabla, const QStringList& columnas, size_t filas,
                 const FilaDeLote& fila) override;
    void Actualiza(const QString& tabla, const QString& columnaClave, const QStringList& columnas,
                   size_t filas, const FilaDeLote& fila) override;

private:
    void Escribe(const QString& antes, const QString& despues, qsizetype columnas, size_t filas,
                 const FilaDeLote& fila);
    [[noreturn]] void Falla() const;

    Connection& mCnn;
    sqlite3* mBase = nullptr;
};

// COPY through libpq on the driver's connection.
class LotesPostgreSql : public EscritorLotes {
public:
    explicit LotesPostgreSql(Connection& cnn) : mCnn(cnn) {}
    void Inserta(const QString& tabla, const QStringList& columnas, size_t filas,
                 const FilaDeLote& fila) override;
    void Actualiza(const QString& tabla, const QString& columnaClave, const QStringList& columnas,
                   size_t filas, const FilaDeLote& fila) override;

private:
    Connection& mCnn;
};

} // namespace corvanta
