#include "BaseNueva.h"

#include "runtime/Connection.h"
#include "runtime/Error.h"

#include <QCoreApplication>
#include <QUrl>
#include <atomic>

namespace prueba {

namespace {

// The server's database, or a schema of it.
QString UrlDe(const QString& esquema = QString()) {
    QUrl url(qEnvironmentVariable("KD562_PG_URL"));
    if (!url.isValid() || url.host().isEmpty())
        throw corvanta::Error("KD562_PRUEBA_MOTOR=postgresql necesita KD562_PG_URL");
    if (!esquema.isEmpty())
        url.setQuery("schema=" + esquema);
    return url.toString();
}

} // namespace

Corrida Corre(const QString& programa, const QStringList& argumentos, const QByteArray& entrada,
              const std::function<void(QProcess&)>& prepara) {
    QProcess proceso;
    if (prepara)
        prepara(proceso);
    proceso.start(programa, argumentos);
    proceso.write(entrada);
    proceso.closeWriteChannel();
    const bool termino = proceso.waitForFinished(120000);
    return {termino && proceso.exitStatus() == QProcess::NormalExit ? proceso.exitCode() : -1,
            QString::fromUtf8(proceso.readAllStandardOutput()),
            QString::fromUtf8(proceso.readAllStandardError())};
}

BaseNueva::BaseNueva() {
    if (!EsPostgreSql()) {
        mUrl = "sqlite:" + mCarpeta.filePath("corvanta.db");
        return;
    }
    // Named after the process, so test programs running side by side never meet.
    static std::atomic<int> contador = 0;
    mEsquema =
        QStringLiteral("prueba_%1_%2").arg(QCoreApplication::applicationPid()).arg(++contador);
    corvanta::Connection::Abre(UrlDe())->Execute("DROP SCHEMA IF EXISTS " + mEsquema +
                                                 " CASCADE; CREATE SCHEMA " + mEsquema);
    mUrl = UrlDe(mEsquema);
}

BaseNueva::~BaseNueva() {
    try {
        if (!mEsquema.isEmpty())
            corvanta::Connection::Abre(UrlDe())->Execute("DROP SCHEMA " + mEsquema + " CASCADE");
    } catch (const corvanta::Error&) {
        // A server that is gone takes the schema with it.
    }
}

} // namespace prueba
