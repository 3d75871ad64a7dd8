#include "runtime/Connection.h"
#include "runtime/Error.h"
#include "runtime/ErroresMotor.h"

#include <QSqlDriver>
#include <QSqlError>
#include <libpq-fe.h>

namespace corvanta {

PGconn* Connection::EnlacePq() const {
    const QVariant manejador = mBase.driver()->handle();
    if (qstrcmp(manejador.typeName(), "PGconn*") != 0 &&
        qstrcmp(manejador.typeName(), "pg_conn*") != 0)
        return nullptr;
    return *static_cast<PGconn* const*>(manejador.constData());
}

bool Connection::EnlaceRoto() const {
    if (mMotor != Motor::PostgreSql)
        return false;
    PGconn* pq = EnlacePq();
    return !pq || PQstatus(pq) != CONNECTION_OK;
}

void Connection::AseguraEnlace() {
    // A link that broke (the server restarted, the network went) is opened again, with its
    // settings and without its prepared statements, before the next statement outside a
    // transaction; never inside one, whose work is lost with the link.
    if (mEnTransaccion || !EnlaceRoto())
        return;
    mPreparadas.clear();
    mBase.close();
    if (!mBase.open())
        throw Error(QStringLiteral("No se pudo abrir de nuevo la conexión con el servidor de base "
                                   "de datos: %1")
                        .arg(MensajeDriver(mBase.lastError())));
    PreparaSesion();
}

Error Connection::Falla(const QString& motivo, const QString& sentencia) const {
    // The driver's own words for a dead link are kept inside ours.
    if (EnlaceRoto() && !motivo.startsWith(QStringLiteral("Se perdió la conexión")))
        return Error(PerdidaDeEnlace(motivo));
    return Error(QueFallo(motivo, sentencia));
}

} // namespace corvanta
