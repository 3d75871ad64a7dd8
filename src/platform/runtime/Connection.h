#pragma once

#include "runtime/Dialecto.h"
#include "runtime/EscritorLotes.h"
#include "runtime/Recordset.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <functional>
#include <memory>
#include <unordered_map>

struct pg_conn;

namespace corvanta {

// The suite's database connection: statements run as text and come back as static
// Recordsets; driver errors are thrown with the driver's own message.
class Connection {
public:
    // "sqlite:PATH" (":memory:" allowed) or "postgresql://USER@HOST[:PORT]/DBNAME"
    // (optionally "?schema=NAME"); a PostgreSQL password comes from PGPASSWORD or
    // ~/.pgpass, never from the address. Throws Error with a one-line reason. With
    // `crear` false a SQLite file that does not exist is an error, and none is created.
    static std::unique_ptr<Connection> Abre(const QString& url, bool crear = true);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The statement as the screen wrote it; the engine's dialect is applied here.
    Recordset Execute(const QString& sql, int opciones = -1);
    // For the suite's own library code: a statement with positional '?' parameters.
    Recordset Ejecuta(const QString& sql, const QVariantList& parametros);
    // The same for a SELECT whose rows are too many to hold: each row is handed to porFila as
    // it is read, in a list that the next row reuses.
    void Recorre(const QString& sql, const QVariantList& parametros,
                 const std::function<void(const QVariantList& fila)>& porFila);
    // Rows written by the last INSERT, UPDATE or DELETE.
    int FilasAfectadas() const { return mFilasAfectadas; }

    // Set-wise writes for the suite's library code (see EscritorLotes); the rows are made
    // one at a time by fila, or given all at once.
    void InsertaLote(const QString& tabla, const QStringList& columnas, size_t filas,
                     const FilaDeLote& fila);
    void InsertaLote(const QString& tabla, const QStringList& columnas,
                     const std::vector<QVariantList>& filas);
    // Updates the rows of tabla whose columnaClave equals each row's first value, setting
    // columnas (in order) to the row's other values.
    void ActualizaLote(const QString& tabla, const QString& columnaClave,
                       const QStringList& columnas, size_t filas, const FilaDeLote& fila);
    // Statements sent to the engine since the connection opened (for measurements).
    qint64 Sentencias() const { return mSentencias; }

    // How long a statement waits for a database that another connection holds (5 s unless
    // changed).
    void setEsperaMs(int milisegundos);

    // Lectura: a transaction that will only read, for a consistent view without locking out
    // writers longer than it reads.
    enum class Acceso { Escritura, Lectura };
    void BeginTrans(Acceso acceso = Acceso::Escritura);
    // On PostgreSQL a COMMIT whose reply was lost is followed by asking the server, for up
    // to esperaMs in all, how it ended: saved returns normally, not saved throws Error, and
    // no answer throws ConfirmacionIncierta.
    void CommitTrans();
    void RollbackTrans();
    bool EnTransaccion() const { return mEnTransaccion; }
    // A mark that stays the same while no other connection commits anything to the database
    // (SQLite's data_version) or to the server (PostgreSQL's snapshot, within a transaction
    // the one it reads from): two equal marks mean nothing moved in between.
    QString MarcaDeCambios();

    void setEsperaDesenlaceMs(int esperaMs) { mEsperaDesenlaceMs = esperaMs; }
    // For tests: runs before the COMMIT is sent (false) and after, before its reply is read
    // (true), so that a test can break the link there.
    void setAlConfirmar(std::function<void(bool enviado)> accion) {
        mAlConfirmar = std::move(accion);
    }

    // Sees every statement that Execute runs, as the caller wrote it (for logs and tests).
    void setObservador(std::function<void(const QString&)> observador) {
        mObservador = std::move(observador);
    }

    Motor motor() const { return mMotor; }
    const QString& Url() const { return mUrl; }

private:
    Connection(QString url, Motor motor, QString nombre);
    static std::unique_ptr<Connection> AbrePostgreSql(const QString& url);
    Recordset Lee(class QSqlQuery& consulta, const QString& sql);
    void EjecutaControl(const QString& sql);
    void PreparaSesion();
    pg_conn* EnlacePq() const;
    bool EnlaceRoto() const;
    void AseguraEnlace();
    // `sentencia` names what failed in the description.
    class Error Falla(const QString& motivo, const QString& sentencia = QString()) const;
    std::unique_ptr<class EscritorLotes> Lotes();
    void ConfirmaPostgreSql();
    enum class Desenlaces { Confirmada, Abortada, Desconocido };
    Desenlaces Desenlace(const QString& transaccion);
    friend class LotesSqlite;
    friend class LotesPostgreSql;

    QString mUrl;
    Motor mMotor;
    QString mNombre;
    QString mEsquema;
    QSqlDatabase mBase;
    bool mEnTransaccion = false;
    std::function<void(const QString&)> mObservador;
    std::unordered_map<QString, std::unique_ptr<class QSqlQuery>> mPreparadas;
    int mFilasAfectadas = 0;
    int mEsperaDesenlaceMs = 30000;
    std::function<void(bool)> mAlConfirmar;
    qint64 mSentencias = 0;
};

} // namespace corvanta
