#include "runtime/Connection.h"
#include "runtime/Error.h"
#include "runtime/ErroresMotor.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <libpq-fe.h>

namespace corvanta {

// Transaction boundaries, for tracing a run (QT_LOGGING_RULES="corvanta.sql.debug=true").
Q_LOGGING_CATEGORY(lcSql, "corvanta.sql", QtWarningMsg)

void Connection::BeginTrans(Acceso acceso) {
    if (mEnTransaccion)
        throw Error(QStringLiteral("Ya hay una transacción abierta en esta conexión"));
    AseguraEnlace();
    qCDebug(lcSql) << "BEGIN";
    if (mMotor == Motor::PostgreSql) {
        // Two terminals rewriting the catalogue at once: the second one waits for the first
        // and then fails cleanly instead of mixing both catalogues. A reader needs one
        // snapshot and no locks, and a role with nothing but SELECT may run it.
        EjecutaControl(acceso == Acceso::Lectura
                           ? QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")
                           : QStringLiteral("BEGIN ISOLATION LEVEL SERIALIZABLE"));
    } else if (acceso == Acceso::Escritura) {
        // A writer takes SQLite's write lock at its start, waiting its turn behind another
        // writer: one that read first and then wanted to write would fail at once, as two
        // such transactions could each wait for the other.
        EjecutaControl(QStringLiteral("BEGIN IMMEDIATE"));
    } else if (!mBase.transaction()) {
        // SQLite's plain BEGIN is deferred: a transaction that only reads takes only the
        // shared lock, and only while it reads.
        throw Error(MensajeDriver(mBase.lastError()));
    }
    mEnTransaccion = true;
}

void Connection::CommitTrans() {
    if (!mEnTransaccion)
        throw Error(QStringLiteral("No hay ninguna transacción abierta"));
    qCDebug(lcSql) << "COMMIT";
    if (mMotor == Motor::PostgreSql) {
        ConfirmaPostgreSql();
        return;
    }
    if (!mBase.commit())
        throw Error(MensajeDriver(mBase.lastError()));
    mEnTransaccion = false;
}

// A failed COMMIT ends the transaction there: nothing is left to roll back. When the link
// dies with the COMMIT sent, the server is asked how the transaction ended: its reply may
// be what was lost, not the transaction.
void Connection::ConfirmaPostgreSql() {
    QSqlQuery consulta(mBase);
    ++mSentencias;
    if (!consulta.exec(QStringLiteral("SELECT txid_current()")) || !consulta.next())
        throw Falla(MensajeDriver(consulta.lastError()));
    const QString transaccion = consulta.value(0).toString();
    consulta.finish();
    mEnTransaccion = false;
    PGconn* pq = EnlacePq();
    if (!pq)
        throw Error(QStringLiteral("El controlador de PostgreSQL no entregó su conexión"));
    if (mAlConfirmar)
        mAlConfirmar(false);
    ++mSentencias;
    QString motivo;
    if (PQsendQuery(pq, "COMMIT") != 1) {
        motivo = ErrorPq(nullptr, pq);
    } else {
        if (mAlConfirmar)
            mAlConfirmar(true);
        while (PGresult* resultado = PQgetResult(pq)) {
            if (PQresultStatus(resultado) != PGRES_COMMAND_OK && motivo.isEmpty())
                motivo = ErrorPq(resultado, pq);
            PQclear(resultado);
        }
    }
    if (motivo.isEmpty() && PQstatus(pq) == CONNECTION_OK)
        return;
    if (!EnlaceRoto())
        throw Error(motivo);
    switch (Desenlace(transaccion)) {
    case Desenlaces::Confirmada:
        return;
    case Desenlaces::Abortada: // the server says so: nothing of it was kept
        throw Error(motivo.startsWith(QStringLiteral("Se perdió la conexión"))
                        ? motivo
                        : PerdidaDeEnlace(motivo));
    case Desenlaces::Desconocido:
        break;
    }
    throw ConfirmacionIncierta(
        QStringLiteral("se perdió la conexión con el servidor de base de datos después de pedir "
                       "que se guardara, y en %1 s no pudo decir si se guardó (%2)")
            .arg(mEsperaDesenlaceMs / 1000)
            .arg(motivo));
}

Connection::Desenlaces Connection::Desenlace(const QString& transaccion) {
    static const QRegularExpression numero(QStringLiteral("^[0-9]+$"));
    if (!numero.match(transaccion).hasMatch())
        return Desenlaces::Desconocido;
    QDeadlineTimer limite(mEsperaDesenlaceMs);
    for (;;) {
        mPreparadas.clear();
        mBase.close();
        if (mBase.open()) {
            try {
                PreparaSesion();
                QSqlQuery consulta(mBase);
                if (consulta.exec(QStringLiteral("SELECT txid_status(%1)").arg(transaccion)) &&
                    consulta.next()) {
                    const QString estado = consulta.value(0).toString();
                    if (estado == QStringLiteral("committed"))
                        return Desenlaces::Confirmada;
                    if (estado == QStringLiteral("aborted"))
                        return Desenlaces::Abortada;
                    // NULL: too old to tell. "in progress": the old session still holds it.
                    if (consulta.value(0).isNull())
                        return Desenlaces::Desconocido;
                } else if (consulta.lastError().nativeErrorCode() == QStringLiteral("22023")) {
                    // "In the future": a server that lost it in a crash never committed it.
                    return Desenlaces::Abortada;
                }
            } catch (const Error&) {
                // Not answering yet; asked again below.
            }
        }
        if (limite.hasExpired())
            return Desenlaces::Desconocido;
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(500, limite.remainingTime())));
    }
}

void Connection::RollbackTrans() {
    if (!mEnTransaccion)
        throw Error(QStringLiteral("No hay ninguna transacción abierta"));
    qCDebug(lcSql) << "ROLLBACK";
    // The transaction is over whatever the driver says: a failed rollback of SQLite
    // leaves no transaction open either.
    mEnTransaccion = false;
    if (mMotor == Motor::PostgreSql) {
        EjecutaControl(QStringLiteral("ROLLBACK"));
        return;
    }
    if (!mBase.rollback())
        throw Error(MensajeDriver(mBase.lastError()));
}

QString Connection::MarcaDeCambios() {
    QSqlQuery consulta(mBase);
    ++mSentencias;
    if (!consulta.exec(mMotor == Motor::PostgreSql
                           ? QStringLiteral("SELECT txid_current_snapshot()")
                           : QStringLiteral("PRAGMA data_version")) ||
        !consulta.next())
        throw Falla(MensajeDriver(consulta.lastError()));
    return consulta.value(0).toString();
}

} // namespace corvanta
