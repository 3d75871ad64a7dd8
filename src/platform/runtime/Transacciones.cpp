#include "runtime/Connection.h"
#include "runtime/Error.h"
#include "runtime/ErroresMotor.h"

#include <QLoggingCategory>
#include <QSqlError>

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
        // A failed COMMIT ends the transaction there: nothing is left to roll back.
        mEnTransaccion = false;
        EjecutaControl(QStringLiteral("COMMIT"));
        return;
    }
    if (!mBase.commit())
        throw Error(MensajeDriver(mBase.lastError()));
    mEnTransaccion = false;
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

} // namespace corvanta
