#include "runtime/Connection.h"
#include "runtime/Error.h"
#include "runtime/ErroresMotor.h"

#include <QAtomicInt>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>
#include <fcntl.h>
#include <libpq-fe.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvanta {

namespace {

QString NombreNuevo() {
    static QAtomicInt contador;
    return QStringLiteral("corvanta-%1").arg(contador.fetchAndAddRelaxed(1) + 1);
}

// A new database file is for its owner alone, or for its owner and the folder's group where
// the folder hands its group down (setgid): it keeps the gateway account. SQLite gives its
// journals the mode of the database. A file that exists is left as it is.
void CreaArchivoPrivado(const QString& ruta) {
    const int archivo =
        ::open(QFile::encodeName(ruta).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (archivo < 0)
        return; // there already, or SQLite will say why it cannot be
    struct stat carpeta {};
    const bool compartida =
        ::stat(QFile::encodeName(QFileInfo(ruta).absolutePath()).constData(), &carpeta) == 0 &&
        (carpeta.st_mode & S_ISGID);
    // Set outright: the umask would take the group's write away.
    ::fchmod(archivo, compartida ? 0660 : 0600);
    ::close(archivo);
}

// Whether a server that refused a connection is down or not taking connections (starting,
// stopping), rather than refusing these credentials or this database. Asked of the server
// itself, since libpq's messages are translated; a short wait, since one failed already.
bool ServidorSinServicio(const QUrl& direccion) {
    const QByteArray servidor = direccion.host().toUtf8();
    const QByteArray puerto = QByteArray::number(direccion.port(5432));
    const char* claves[] = {"host", "port", "connect_timeout", nullptr};
    const char* valores[] = {servidor.constData(), puerto.constData(), "3", nullptr};
    const PGPing respuesta = PQpingParams(claves, valores, 0);
    return respuesta == PQPING_NO_RESPONSE || respuesta == PQPING_REJECT;
}

} // namespace

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
        if (!enMemoria)
            CreaArchivoPrivado(ruta);
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
    if (!cnn->mBase.open()) {
        const QString motivo =
            QStringLiteral("%1 en %2: %3")
                .arg(base, direccion.host(), MensajeDriver(cnn->mBase.lastError()).trimmed());
        if (ServidorSinServicio(direccion))
            throw Error(ServidorInalcanzable(motivo));
        throw Error(QStringLiteral("No se pudo abrir la base de datos %1").arg(motivo));
    }
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

} // namespace corvanta
