#include "BaseNueva.h"

#include "runtime/Connection.h"
#include "runtime/Error.h"

#include <QCoreApplication>
#include <QUrl>
#include <atomic>

namespace prueba {

namespace {

QUrl Servidor() {
    const QUrl url(qEnvironmentVariable("KD562_PG_URL"));
    if (!url.isValid() || url.host().isEmpty())
        throw corvanta::Error(QStringLiteral("KD562_PRUEBA_MOTOR=postgresql necesita KD562_PG_URL "
                                             "(scripts/pg-servidor start)"));
    return url;
}

QString BaseDelProceso() {
    return QStringLiteral("kd562_prueba_%1").arg(QCoreApplication::applicationPid());
}

QString UrlDe(const QString& base, const QString& esquema = QString()) {
    QUrl url = Servidor();
    url.setPath(QLatin1Char('/') + base);
    if (!esquema.isEmpty())
        url.setQuery(QStringLiteral("schema=") + esquema);
    return url.toString();
}

void BorraBaseDelProceso() {
    try {
        auto admin = corvanta::Connection::Abre(Servidor().toString());
        admin->Execute(
            QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(BaseDelProceso()));
    } catch (const corvanta::Error&) {
    }
}

// One database per test process, so test programs running side by side never meet.
void PreparaBaseDelProceso() {
    static const bool hecho = [] {
        auto admin = corvanta::Connection::Abre(Servidor().toString());
        admin->Execute(
            QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(BaseDelProceso()));
        admin->Execute(QStringLiteral("CREATE DATABASE %1").arg(BaseDelProceso()));
        qAddPostRoutine(&BorraBaseDelProceso);
        return true;
    }();
    Q_UNUSED(hecho);
}

} // namespace

bool EsPostgreSql() {
    return qEnvironmentVariable("KD562_PRUEBA_MOTOR") == QStringLiteral("postgresql");
}

bool FaltaServidor() {
    return EsPostgreSql() && qEnvironmentVariableIsEmpty("KD562_PG_URL");
}

BaseNueva::BaseNueva() {
    if (!EsPostgreSql()) {
        mUrl = QStringLiteral("sqlite:") + mCarpeta.filePath(QStringLiteral("corvanta.db"));
        return;
    }
    static std::atomic<int> contador = 0;
    PreparaBaseDelProceso();
    mEsquema = QStringLiteral("prueba%1").arg(++contador);
    auto cnn = corvanta::Connection::Abre(UrlDe(BaseDelProceso()));
    cnn->Execute(QStringLiteral("CREATE SCHEMA %1").arg(mEsquema));
    mUrl = UrlDe(BaseDelProceso(), mEsquema);
}

BaseNueva::~BaseNueva() {
    if (mEsquema.isEmpty())
        return;
    try {
        auto cnn = corvanta::Connection::Abre(UrlDe(BaseDelProceso()));
        cnn->Execute(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(mEsquema));
    } catch (const corvanta::Error&) {
        // The whole database goes when the process ends.
    }
}

} // namespace prueba
