#include "runtime/ErroresMotor.h"

#include <QSqlError>
#include <libpq-fe.h>

namespace corvanta {

namespace {

const QString kOtraTerminal = QStringLiteral("Otra terminal cambió los mismos datos al mismo "
                                             "tiempo; no se guardó nada, intente de nuevo");
const QString kOcupada = QStringLiteral("Otra terminal (otra descarga, por ejemplo) tiene ocupada "
                                        "la base de datos y no la liberó a tiempo; no se guardó "
                                        "nada, intente de nuevo en unos momentos");
const QString kInalcanzable =
    QStringLiteral("No se pudo conectar con el servidor de base de datos, "
                   "que no responde o no acepta conexiones por ahora");

} // namespace

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
        return QStringLiteral("%1 (%2)").arg(kOtraTerminal, base);
    // SQLITE_BUSY and SQLITE_LOCKED: another terminal kept the database longer than we wait.
    if (codigo == QStringLiteral("5") || codigo == QStringLiteral("6") ||
        base.contains(QStringLiteral("database is locked")))
        return QStringLiteral("%1 (%2)").arg(kOcupada, base);
    return base;
}

QString ServidorInalcanzable(const QString& motivo) {
    return QStringLiteral("%1 (%2)").arg(kInalcanzable, motivo);
}

bool EsTransitoria(const QString& descripcion) {
    return descripcion.startsWith(kOtraTerminal) || descripcion.startsWith(kOcupada) ||
           descripcion.startsWith(kInalcanzable);
}

QString QueFallo(const QString& motivo, const QString& sentencia) {
    if (EsTransitoria(motivo) || motivo.startsWith(QStringLiteral("Se perdió la conexión")))
        return motivo;
    const QString orden = sentencia.trimmed().section(QLatin1Char(' '), 0, 0).toUpper();
    QString frase = QStringLiteral("La base de datos no aceptó la orden");
    if (orden == QStringLiteral("SELECT") || orden == QStringLiteral("WITH"))
        frase = QStringLiteral("No se pudo leer la base de datos");
    else if (orden == QStringLiteral("INSERT") || orden == QStringLiteral("UPDATE") ||
             orden == QStringLiteral("DELETE") || orden == QStringLiteral("COPY"))
        frase = QStringLiteral("No se pudo escribir en la base de datos");
    else if (orden == QStringLiteral("CREATE") || orden == QStringLiteral("ALTER") ||
             orden == QStringLiteral("DROP") || orden == QStringLiteral("GRANT"))
        frase = QStringLiteral("No se pudo cambiar la forma de la base de datos");
    return QStringLiteral("%1: %2").arg(frase, motivo);
}

QString MensajeDriver(const QSqlError& error) {
    return MensajeMotor(error.databaseText().isEmpty() ? error.text() : error.databaseText(),
                        error.nativeErrorCode());
}

QString ErrorPq(const PGresult* resultado, PGconn* pq) {
    const char* texto =
        resultado ? PQresultErrorField(resultado, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const char* codigo = resultado ? PQresultErrorField(resultado, PG_DIAG_SQLSTATE) : nullptr;
    const QString base = QString::fromUtf8(texto ? texto : PQerrorMessage(pq)).trimmed();
    return MensajeMotor(base, QString::fromLatin1(codigo ? codigo : ""));
}

} // namespace corvanta
