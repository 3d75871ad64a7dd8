#include "runtime/Connection.h"

#include "runtime/Error.h"
#include "runtime/ErroresMotor.h"
#include "runtime/EscritorLotes.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace corvanta {

Connection::Connection(QString url, Motor motor, QString nombre)
    : mUrl(std::move(url)), mMotor(motor), mNombre(std::move(nombre)) {}

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
        throw Falla(MensajeDriver(consulta.lastError()), sql);
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
            throw Falla(motivo, sql);
        }
    }
    for (int i = 0; i < parametros.size(); ++i)
        consulta->bindValue(i, parametros.at(i));
    ++mSentencias;
    if (!consulta->exec())
        throw Falla(MensajeDriver(consulta->lastError()), sql);
    return Lee(*consulta, sql);
}

void Connection::Recorre(const QString& sql, const QVariantList& parametros,
                         const std::function<void(const QVariantList& fila)>& porFila) {
    AseguraEnlace();
    QSqlQuery consulta(mBase);
    consulta.setForwardOnly(true);
    if (!consulta.prepare(sql))
        throw Falla(MensajeDriver(consulta.lastError()), sql);
    for (int i = 0; i < parametros.size(); ++i)
        consulta.bindValue(i, parametros.at(i));
    ++mSentencias;
    if (!consulta.exec())
        throw Falla(MensajeDriver(consulta.lastError()), sql);
    const int columnas = consulta.record().count();
    QVariantList fila;
    while (consulta.next()) {
        fila.clear();
        for (int i = 0; i < columnas; ++i)
            fila.append(consulta.isNull(i) ? QVariant() : consulta.value(i));
        porFila(fila);
    }
    if (consulta.lastError().isValid())
        throw Error(MensajeDriver(consulta.lastError()));
    consulta.finish();
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

std::unique_ptr<EscritorLotes> Connection::Lotes() {
    if (mMotor == Motor::PostgreSql)
        return std::make_unique<LotesPostgreSql>(*this);
    return std::make_unique<LotesSqlite>(*this);
}

void Connection::InsertaLote(const QString& tabla, const QStringList& columnas, size_t filas,
                             const FilaDeLote& fila) {
    if (filas > 0)
        Lotes()->Inserta(tabla, columnas, filas, fila);
}

void Connection::InsertaLote(const QString& tabla, const QStringList& columnas,
                             const std::vector<QVariantList>& filas) {
    InsertaLote(tabla, columnas, filas.size(),
                [&](size_t i, QVariantList& fila) { fila = filas[i]; });
}

void Connection::ActualizaLote(const QString& tabla, const QString& columnaClave,
                               const QStringList& columnas, size_t filas, const FilaDeLote& fila) {
    if (filas > 0)
        Lotes()->Actualiza(tabla, columnaClave, columnas, filas, fila);
}

} // namespace corvanta
