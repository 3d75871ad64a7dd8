#include "runtime/Connection.h"

#include "runtime/Error.h"

#include <QAtomicInt>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace corvanta {

namespace {

QString MensajeDriver(const QSqlError& error) {
    const QString base = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    // SQLITE_BUSY and SQLITE_LOCKED: another terminal kept the database longer than we wait.
    const QString codigo = error.nativeErrorCode();
    if (codigo == QStringLiteral("5") || codigo == QStringLiteral("6") ||
        base.contains(QStringLiteral("database is locked")))
        return QStringLiteral("La base de datos está ocupada por otra conexión y no se liberó a "
                              "tiempo; intente de nuevo en unos momentos (%1)")
            .arg(base);
    return base;
}

QString NombreNuevo() {
    static QAtomicInt contador;
    return QStringLiteral("corvanta-%1").arg(contador.fetchAndAddRelaxed(1) + 1);
}

} // namespace

Connection::Connection(QString url, Motor motor, QString nombre)
    : mUrl(std::move(url)), mMotor(motor), mNombre(std::move(nombre)) {}

std::unique_ptr<Connection> Connection::Abre(const QString& url) {
    if (!url.startsWith(QStringLiteral("sqlite:")))
        throw Error(QStringLiteral("Dirección de base de datos no reconocida: %1 "
                                   "(se espera sqlite:RUTA)")
                        .arg(url));
    const QString ruta = url.mid(7);
    if (ruta.isEmpty())
        throw Error(QStringLiteral("Falta la ruta de la base de datos en %1").arg(url));

    std::unique_ptr<Connection> cnn(new Connection(url, Motor::Sqlite, NombreNuevo()));
    cnn->mBase = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), cnn->mNombre);
    cnn->mBase.setDatabaseName(ruta);
    // A database briefly locked by another terminal is waited for, not failed at once.
    cnn->mBase.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!cnn->mBase.open())
        throw Error(QStringLiteral("No se pudo abrir la base de datos %1: %2")
                        .arg(ruta, MensajeDriver(cnn->mBase.lastError())));
    // Opening is lazy in SQLite; touching the schema proves the file is a database.
    QSqlQuery prueba(cnn->mBase);
    if (!prueba.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master")))
        throw Error(QStringLiteral("No se pudo abrir la base de datos %1: %2")
                        .arg(ruta, MensajeDriver(prueba.lastError())));
    return cnn;
}

Connection::~Connection() {
    if (mBase.isOpen() && mEnTransaccion)
        mBase.rollback();
    mBase.close();
    mBase = QSqlDatabase();
    QSqlDatabase::removeDatabase(mNombre);
}

Recordset Connection::Lee(QSqlQuery& consulta) {
    if (!consulta.isSelect()) {
        consulta.finish();
        return Recordset();
    }
    const QSqlRecord registro = consulta.record();
    QStringList campos;
    campos.reserve(registro.count());
    for (int i = 0; i < registro.count(); ++i)
        campos.append(registro.fieldName(i));
    std::vector<QVariantList> filas;
    while (consulta.next()) {
        QVariantList fila;
        fila.reserve(campos.size());
        for (int i = 0; i < campos.size(); ++i)
            fila.append(consulta.isNull(i) ? QVariant() : consulta.value(i));
        filas.push_back(std::move(fila));
    }
    if (consulta.lastError().isValid())
        throw Error(MensajeDriver(consulta.lastError()));
    // Finishing the query releases the engine's cursor before anyone commits.
    consulta.finish();
    return Recordset(std::move(campos), std::move(filas));
}

Recordset Connection::Execute(const QString& sql, int /*opciones*/) {
    if (mObservador)
        mObservador(sql);
    QSqlQuery consulta(mBase);
    consulta.setForwardOnly(true);
    if (!consulta.exec(TraduceSQL(mMotor, sql)))
        throw Error(MensajeDriver(consulta.lastError()));
    return Lee(consulta);
}

Recordset Connection::Ejecuta(const QString& sql, const QVariantList& parametros) {
    QSqlQuery consulta(mBase);
    consulta.setForwardOnly(true);
    if (!consulta.prepare(sql))
        throw Error(MensajeDriver(consulta.lastError()));
    for (const QVariant& valor : parametros)
        consulta.addBindValue(valor);
    if (!consulta.exec())
        throw Error(MensajeDriver(consulta.lastError()));
    return Lee(consulta);
}

void Connection::setEsperaMs(int milisegundos) {
    QSqlQuery consulta(mBase);
    if (!consulta.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(milisegundos)))
        throw Error(MensajeDriver(consulta.lastError()));
}

void Connection::BeginTrans() {
    if (mEnTransaccion)
        throw Error(QStringLiteral("Ya hay una transacción abierta en esta conexión"));
    if (!mBase.transaction())
        throw Error(MensajeDriver(mBase.lastError()));
    mEnTransaccion = true;
}

void Connection::CommitTrans() {
    if (!mEnTransaccion)
        throw Error(QStringLiteral("No hay ninguna transacción abierta"));
    if (!mBase.commit())
        throw Error(MensajeDriver(mBase.lastError()));
    mEnTransaccion = false;
}

void Connection::RollbackTrans() {
    if (!mEnTransaccion)
        throw Error(QStringLiteral("No hay ninguna transacción abierta"));
    // The transaction is over whatever the driver says: a failed rollback of SQLite
    // leaves no transaction open either.
    mEnTransaccion = false;
    if (!mBase.rollback())
        throw Error(MensajeDriver(mBase.lastError()));
}

} // namespace corvanta
