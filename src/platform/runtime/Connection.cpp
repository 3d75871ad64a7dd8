#include "runtime/Connection.h"

#include "runtime/Error.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <QUrlQuery>
#include <algorithm>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace corvanta {

// Transaction boundaries, for tracing a run (QT_LOGGING_RULES="corvanta.sql.debug=true").
Q_LOGGING_CATEGORY(lcSql, "corvanta.sql", QtWarningMsg)

namespace {

QString PerdidaDeEnlace(const QString& motivo) {
    return QStringLiteral("Se perdió la conexión con el servidor de base de datos; lo que estaba "
                          "en curso no se guardó (%1)")
        .arg(motivo);
}

QString MensajeMotor(const QString& base, const QString& codigo) {
    // PostgreSQL: the server went away (a crash, a shutdown, the network).
    if (codigo.startsWith(QStringLiteral("08")) || codigo.startsWith(QStringLiteral("57P")))
        return PerdidaDeEnlace(base);
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

QString MensajeDriver(const QSqlError& error) {
    return MensajeMotor(error.databaseText().isEmpty() ? error.text() : error.databaseText(),
                        error.nativeErrorCode());
}

QString Columnas(const QStringList& columnas) {
    for (const QString& c : columnas)
        Identificador(c);
    return columnas.join(QStringLiteral(", "));
}

bool EsNulo(const QVariant& valor) {
    return valor.isNull() || (valor.typeId() == QMetaType::QString && valor.toString().isNull());
}

// One value in COPY's text format: \N for NULL, backslash escapes for the separators.
void AgregaValorCopia(QByteArray& linea, const QVariant& valor) {
    if (EsNulo(valor)) {
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

// Writes rows through SQLite's own API on the driver's connection, in multi-row statements
// of at most 999 parameters: each statement text is prepared once and run once per batch,
// with every value bound. (Qt names each placeholder, which makes preparing a statement
// cost the square of its parameters.)
class LotesSqlite {
public:
    explicit LotesSqlite(const QSqlDatabase& base) {
        const QVariant manejador = base.driver()->handle();
        if (qstrcmp(manejador.typeName(), "sqlite3*") != 0)
            throw Error(QStringLiteral("El controlador de SQLite no entregó su conexión"));
        mBase = *static_cast<sqlite3* const*>(manejador.constData());
    }

    // antes + "(?, …), (?, …)…" + despues, for each batch of filas.
    void Escribe(const QString& antes, const QString& despues, qsizetype columnas,
                 const std::vector<QVariantList>& filas, qint64& sentencias) {
        const size_t porLote = static_cast<size_t>(std::max<qsizetype>(1, 999 / columnas));
        const QString fila = QStringLiteral("(") +
                             QStringList(columnas, QStringLiteral("?")).join(QStringLiteral(", ")) +
                             QStringLiteral(")");
        sqlite3_stmt* sentencia = nullptr;
        size_t preparadaPara = 0;
        auto termina = [&] {
            sqlite3_finalize(sentencia);
            sentencia = nullptr;
        };
        try {
            for (size_t inicio = 0; inicio < filas.size(); inicio += porLote) {
                const size_t cuantas = std::min(porLote, filas.size() - inicio);
                if (cuantas != preparadaPara) {
                    termina();
                    const QByteArray sql = (antes +
                                            QStringList(static_cast<qsizetype>(cuantas), fila)
                                                .join(QStringLiteral(", ")) +
                                            despues)
                                               .toUtf8();
                    if (sqlite3_prepare_v2(mBase, sql.constData(), static_cast<int>(sql.size()),
                                           &sentencia, nullptr) != SQLITE_OK)
                        Falla();
                    preparadaPara = cuantas;
                }
                int indice = 1;
                for (size_t i = inicio; i < inicio + cuantas; ++i)
                    for (const QVariant& valor : filas[i])
                        Liga(sentencia, indice++, valor);
                ++sentencias;
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

private:
    static void Liga(sqlite3_stmt* sentencia, int indice, const QVariant& valor) {
        if (EsNulo(valor)) {
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
        const QString texto = valor.toString();
        sqlite3_bind_text16(sentencia, indice, texto.utf16(), static_cast<int>(texto.size() * 2),
                            SQLITE_TRANSIENT);
    }

    [[noreturn]] void Falla() const {
        throw Error(MensajeMotor(QString::fromUtf8(sqlite3_errmsg(mBase)),
                                 QString::number(sqlite3_errcode(mBase))));
    }

    sqlite3* mBase = nullptr;
};

QString ErrorPq(const PGresult* resultado, PGconn* pq) {
    const char* texto =
        resultado ? PQresultErrorField(resultado, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const char* codigo = resultado ? PQresultErrorField(resultado, PG_DIAG_SQLSTATE) : nullptr;
    const QString base = QString::fromUtf8(texto ? texto : PQerrorMessage(pq)).trimmed();
    return MensajeMotor(base, QString::fromLatin1(codigo ? codigo : ""));
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
    // The password, if any, comes from libpq's own places (PGPASSWORD, ~/.pgpass). Keepalives
    // and the TCP user time-out notice a server that vanished within about half a minute,
    // instead of waiting forever on a silent socket.
    cnn->mBase.setConnectOptions(
        QStringLiteral("connect_timeout=10;keepalives=1;keepalives_idle=10;keepalives_interval=5;"
                       "keepalives_count=3;tcp_user_timeout=30000"));
    cnn->mEsquema = esquema;
    if (!cnn->mBase.open())
        throw Error(QStringLiteral("No se pudo abrir la base de datos %1 en %2: %3")
                        .arg(base, direccion.host(), MensajeDriver(cnn->mBase.lastError())));
    cnn->PreparaSesion();
    return cnn;
}

void Connection::PreparaSesion() {
    // Doubling quotes is a complete escape only when backslashes are plain characters.
    QSqlQuery consulta(mBase);
    if (!consulta.exec(QStringLiteral("SHOW standard_conforming_strings")) || !consulta.next())
        throw Error(MensajeDriver(consulta.lastError()));
    if (consulta.value(0).toString() != QStringLiteral("on"))
        throw Error(QStringLiteral("El servidor PostgreSQL tiene standard_conforming_strings "
                                   "desactivado; actívelo para usar esta base de datos"));
    consulta.finish();
    // The server's notices ("skipping", "drop cascades") are not messages for the user.
    if (!consulta.exec(QStringLiteral("SET client_min_messages TO warning")))
        throw Error(MensajeDriver(consulta.lastError()));
    if (!mEsquema.isEmpty() &&
        !consulta.exec(QStringLiteral("SET search_path TO %1").arg(mEsquema)))
        throw Error(MensajeDriver(consulta.lastError()));
}

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

Error Connection::Falla(const QString& motivo) const {
    // The driver's own words for a dead link are kept inside ours.
    if (EnlaceRoto() && !motivo.startsWith(QStringLiteral("Se perdió la conexión")))
        return Error(PerdidaDeEnlace(motivo));
    return Error(motivo);
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
    AseguraEnlace();
    QSqlQuery consulta(mBase);
    consulta.setForwardOnly(true);
    ++mSentencias;
    if (!consulta.exec(TraduceSQL(mMotor, sql)))
        throw Falla(MensajeDriver(consulta.lastError()));
    return Lee(consulta, sql);
}

Recordset Connection::Ejecuta(const QString& sql, const QVariantList& parametros) {
    // The library runs the same few statements once per row of a catalogue: each is prepared
    // once per connection and reused.
    AseguraEnlace();
    std::unique_ptr<QSqlQuery>& consulta = mPreparadas[sql];
    if (!consulta) {
        consulta = std::make_unique<QSqlQuery>(mBase);
        consulta->setForwardOnly(true);
        if (!consulta->prepare(sql)) {
            const QString motivo = MensajeDriver(consulta->lastError());
            mPreparadas.erase(sql);
            throw Falla(motivo);
        }
    }
    for (int i = 0; i < parametros.size(); ++i)
        consulta->bindValue(i, parametros.at(i));
    ++mSentencias;
    if (!consulta->exec())
        throw Falla(MensajeDriver(consulta->lastError()));
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
    ++mSentencias;
    if (!consulta.exec(sql))
        throw Falla(MensajeDriver(consulta.lastError()));
}

void Connection::Copia(const QString& tabla, const QStringList& columnas,
                       const std::vector<QVariantList>& filas) {
    PGconn* pq = EnlacePq();
    if (!pq)
        throw Error(QStringLiteral("El controlador de PostgreSQL no entregó su conexión"));
    const QByteArray sql = QStringLiteral("COPY %1 (%2) FROM STDIN")
                               .arg(Identificador(tabla), Columnas(columnas))
                               .toUtf8();
    ++mSentencias;
    PGresult* resultado = PQexec(pq, sql.constData());
    if (PQresultStatus(resultado) != PGRES_COPY_IN) {
        const QString motivo = ErrorPq(resultado, pq);
        PQclear(resultado);
        throw Falla(motivo);
    }
    PQclear(resultado);
    // The rows go in blocks of about half a megabyte; the server answers once, at the end.
    QByteArray bloque;
    bloque.reserve(1 << 20);
    bool enviado = true;
    auto envia = [&] {
        if (enviado && !bloque.isEmpty())
            enviado = PQputCopyData(pq, bloque.constData(), static_cast<int>(bloque.size())) == 1;
        bloque.clear();
    };
    for (const QVariantList& fila : filas) {
        for (qsizetype i = 0; i < fila.size(); ++i) {
            if (i > 0)
                bloque += '\t';
            AgregaValorCopia(bloque, fila.at(i));
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
        throw Falla(motivo);
}

void Connection::InsertaLote(const QString& tabla, const QStringList& columnas,
                             const std::vector<QVariantList>& filas) {
    if (filas.empty())
        return;
    if (mMotor == Motor::PostgreSql) {
        Copia(tabla, columnas, filas);
        return;
    }
    LotesSqlite(mBase).Escribe(
        QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(Identificador(tabla), Columnas(columnas)),
        QString(), columnas.size(), filas, mSentencias);
}

void Connection::ActualizaLote(const QString& tabla, const QString& columnaClave,
                               const QStringList& columnas,
                               const std::vector<QVariantList>& filas) {
    if (filas.empty())
        return;
    QStringList asignaciones;
    for (const QString& c : columnas)
        asignaciones.append(QStringLiteral("%1 = lote.%1").arg(Identificador(c)));
    const QStringList todas = QStringList{columnaClave} + columnas;
    const QString actualiza =
        QStringLiteral("UPDATE %1 SET %2 FROM lote WHERE %1.%3 = lote.%3")
            .arg(Identificador(tabla), asignaciones.join(QStringLiteral(", ")),
                 Identificador(columnaClave));
    if (mMotor == Motor::PostgreSql) {
        // The rows go by COPY into a table of this transaction, then one UPDATE joins it.
        EjecutaControl(QStringLiteral("CREATE TEMP TABLE lote ON COMMIT DROP AS SELECT %1 FROM "
                                      "%2 WITH NO DATA")
                           .arg(Columnas(todas), tabla));
        Copia(QStringLiteral("lote"), todas, filas);
        EjecutaControl(actualiza);
        EjecutaControl(QStringLiteral("DROP TABLE lote"));
        return;
    }
    LotesSqlite(mBase).Escribe(QStringLiteral("WITH lote(%1) AS (VALUES ").arg(Columnas(todas)),
                               QStringLiteral(") ") + actualiza, todas.size(), filas, mSentencias);
}

void Connection::BeginTrans() {
    if (mEnTransaccion)
        throw Error(QStringLiteral("Ya hay una transacción abierta en esta conexión"));
    AseguraEnlace();
    qCDebug(lcSql) << "BEGIN";
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
