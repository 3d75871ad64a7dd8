#include "runtime/Connection.h"

#include "runtime/Error.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <QUrlQuery>

namespace corvanta {

namespace {

QString MensajeDriver(const QSqlError& error) {
    const QString base = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    const QString codigo = error.nativeErrorCode();
    // PostgreSQL: another terminal changed the same rows in a transaction of its own.
    if (codigo == QStringLiteral("40001") || codigo == QStringLiteral("40P01") ||
        codigo == QStringLiteral("23505"))
        return QStringLiteral("Otra terminal cambió los mismos datos al mismo tiempo; no se "
                              "guardó nada, intente de nuevo (%1)")
            .arg(base);
    // SQLITE_BUSY and SQLITE_LOCKED: another terminal kept the database longer than we wait.
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

std::unique_ptr<Connection> Connection::Abre(const QString& url, bool crear) {
    if (url.startsWith(QStringLiteral("postgresql://")))
        return AbrePostgreSql(url);
    if (!url.startsWith(QStringLiteral("sqlite:")))
        throw Error(QStringLiteral("Dirección de base de datos no reconocida: %1 (se espera "
                                   "sqlite:RUTA o postgresql://USUARIO@SERVIDOR[:PUERTO]/BASE)")
                        .arg(url));
    const QString ruta = url.mid(7);
    if (ruta.isEmpty())
        throw Error(QStringLiteral("Falta la ruta de la base de datos en %1").arg(url));

    const bool enMemoria = ruta == QStringLiteral(":memory:");
    if (!crear && !enMemoria && !QFileInfo(ruta).isFile())
        throw Error(QStringLiteral("No existe la base de datos %1").arg(ruta));

    std::unique_ptr<Connection> cnn(new Connection(url, Motor::Sqlite, NombreNuevo()));
    cnn->mBase = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), cnn->mNombre);
    // A database briefly locked by another terminal is waited for, not failed at once.
    QString opciones = QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");
    if (crear || enMemoria) {
        cnn->mBase.setDatabaseName(ruta);
    } else {
        // mode=rw: a file removed since the check above is not created again either.
        QUrl archivo = QUrl::fromLocalFile(QFileInfo(ruta).absoluteFilePath());
        archivo.setQuery(QStringLiteral("mode=rw"));
        cnn->mBase.setDatabaseName(archivo.toString(QUrl::FullyEncoded));
        opciones += QStringLiteral(";QSQLITE_OPEN_URI");
    }
    cnn->mBase.setConnectOptions(opciones);
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

std::unique_ptr<Connection> Connection::AbrePostgreSql(const QString& url) {
    const QUrl direccion(url, QUrl::StrictMode);
    const QString base = direccion.path().mid(1);
    if (!direccion.isValid() || direccion.host().isEmpty() || base.isEmpty() ||
        base.contains(QLatin1Char('/')))
        throw Error(QStringLiteral("Dirección de PostgreSQL no válida (se espera "
                                   "postgresql://USUARIO@SERVIDOR[:PUERTO]/BASE)"));
    if (!direccion.password().isEmpty())
        throw Error(QStringLiteral("La contraseña de PostgreSQL no se acepta en la dirección: "
                                   "use PGPASSWORD o ~/.pgpass"));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        throw Error(QStringLiteral("El controlador de PostgreSQL de Qt no está instalado "
                                   "(libqt6sql6-psql)"));
    const QString esquema = QUrlQuery(direccion).queryItemValue(QStringLiteral("schema"));
    static const QRegularExpression identificador(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!esquema.isEmpty() && !identificador.match(esquema).hasMatch())
        throw Error(QStringLiteral("Nombre de esquema no válido: %1").arg(esquema));

    QUrl sinClave = direccion;
    sinClave.setPassword(QString());
    std::unique_ptr<Connection> cnn(
        new Connection(sinClave.toString(), Motor::PostgreSql, NombreNuevo()));
    cnn->mBase = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), cnn->mNombre);
    cnn->mBase.setHostName(direccion.host());
    cnn->mBase.setPort(direccion.port(5432));
    cnn->mBase.setUserName(direccion.userName());
    cnn->mBase.setDatabaseName(base);
    // The password, if any, comes from libpq's own places (PGPASSWORD, ~/.pgpass).
    cnn->mBase.setConnectOptions(QStringLiteral("connect_timeout=10"));
    if (!cnn->mBase.open())
        throw Error(QStringLiteral("No se pudo abrir la base de datos %1 en %2: %3")
                        .arg(base, direccion.host(), MensajeDriver(cnn->mBase.lastError())));
    // Doubling quotes is a complete escape only when backslashes are plain characters.
    QSqlQuery consulta(cnn->mBase);
    if (!consulta.exec(QStringLiteral("SHOW standard_conforming_strings")) || !consulta.next())
        throw Error(MensajeDriver(consulta.lastError()));
    if (consulta.value(0).toString() != QStringLiteral("on"))
        throw Error(QStringLiteral("El servidor PostgreSQL tiene standard_conforming_strings "
                                   "desactivado; actívelo para usar esta base de datos"));
    consulta.finish();
    // The server's notices ("skipping", "drop cascades") are not messages for the user.
    if (!consulta.exec(QStringLiteral("SET client_min_messages TO warning")))
        throw Error(MensajeDriver(consulta.lastError()));
    if (!esquema.isEmpty() && !consulta.exec(QStringLiteral("SET search_path TO %1").arg(esquema)))
        throw Error(MensajeDriver(consulta.lastError()));
    return cnn;
}

Connection::~Connection() {
    mPreparadas.clear();
    // Closing a PostgreSQL session rolls its transaction back by itself.
    if (mBase.isOpen() && mEnTransaccion && mMotor == Motor::Sqlite)
        mBase.rollback();
    mBase.close();
    mBase = QSqlDatabase();
    QSqlDatabase::removeDatabase(mNombre);
}

Recordset Connection::Lee(QSqlQuery& consulta, const QString& sql) {
    mFilasAfectadas = consulta.numRowsAffected();
    if (!consulta.isSelect()) {
        consulta.finish();
        return Recordset();
    }
    const QSqlRecord registro = consulta.record();
    QStringList campos;
    campos.reserve(registro.count());
    for (int i = 0; i < registro.count(); ++i)
        campos.append(registro.fieldName(i));
    if (mMotor == Motor::PostgreSql)
        campos = NombresComoEnSentencia(campos, sql);
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
    return Lee(consulta, sql);
}

Recordset Connection::Ejecuta(const QString& sql, const QVariantList& parametros) {
    // The library runs the same few statements once per row of a catalogue: each is prepared
    // once per connection and reused.
    std::unique_ptr<QSqlQuery>& consulta = mPreparadas[sql];
    if (!consulta) {
        consulta = std::make_unique<QSqlQuery>(mBase);
        consulta->setForwardOnly(true);
        if (!consulta->prepare(sql)) {
            const QString motivo = MensajeDriver(consulta->lastError());
            mPreparadas.erase(sql);
            throw Error(motivo);
        }
    }
    for (int i = 0; i < parametros.size(); ++i)
        consulta->bindValue(i, parametros.at(i));
    if (!consulta->exec())
        throw Error(MensajeDriver(consulta->lastError()));
    return Lee(*consulta, sql);
}

void Connection::setEsperaMs(int milisegundos) {
    QSqlQuery consulta(mBase);
    const QString sql = mMotor == Motor::Sqlite
                            ? QStringLiteral("PRAGMA busy_timeout = %1").arg(milisegundos)
                            : QStringLiteral("SET lock_timeout = %1").arg(milisegundos);
    if (!consulta.exec(sql))
        throw Error(MensajeDriver(consulta.lastError()));
}

void Connection::EjecutaControl(const QString& sql) {
    QSqlQuery consulta(mBase);
    if (!consulta.exec(sql))
        throw Error(MensajeDriver(consulta.lastError()));
}

void Connection::BeginTrans() {
    if (mEnTransaccion)
        throw Error(QStringLiteral("Ya hay una transacción abierta en esta conexión"));
    if (mMotor == Motor::PostgreSql) {
        // Two terminals rewriting the catalogue at once: the second one waits for the first
        // and then fails cleanly instead of mixing both catalogues.
        EjecutaControl(QStringLiteral("BEGIN ISOLATION LEVEL SERIALIZABLE"));
    } else if (!mBase.transaction()) {
        throw Error(MensajeDriver(mBase.lastError()));
    }
    mEnTransaccion = true;
}

void Connection::CommitTrans() {
    if (!mEnTransaccion)
        throw Error(QStringLiteral("No hay ninguna transacción abierta"));
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
