#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

// In initTestCase: a PostgreSQL run with no server given is skipped whole, with a one-line
// reason that CTest recognises as a skip.
#define KD562_SALTA_SIN_SERVIDOR()                                                                 \
    do {                                                                                           \
        if (prueba::FaltaServidor())                                                               \
            QSKIP("Variante PostgreSQL sin servidor: defina KD562_PG_URL");                        \
    } while (false)

namespace prueba {

// The engine of the database tests: PostgreSQL when KD562_PRUEBA_MOTOR is "postgresql" (the
// server's address in KD562_PG_URL), SQLite otherwise.
inline bool EsPostgreSql() {
    return qEnvironmentVariable("KD562_PRUEBA_MOTOR") == QStringLiteral("postgresql");
}
// True when the tests should run on PostgreSQL but KD562_PG_URL names no server.
inline bool FaltaServidor() {
    return EsPostgreSql() && qEnvironmentVariableIsEmpty("KD562_PG_URL");
}

// A program run to its end (two minutes at most); salida is -1 when it crashed or hung.
// prepara sets the process up before it starts.
struct Corrida {
    int salida = -1;
    QString estandar, errores;
};
Corrida Corre(const QString& programa, const QStringList& argumentos,
              const QByteArray& entrada = {}, const std::function<void(QProcess&)>& prepara = {});

// A fresh, empty database for one test, removed with this object: a SQLite file in a
// temporary folder, or a schema of its own in the PostgreSQL database of KD562_PG_URL.
class BaseNueva {
public:
    BaseNueva();
    ~BaseNueva();
    BaseNueva(const BaseNueva&) = delete;
    BaseNueva& operator=(const BaseNueva&) = delete;
    QString Url() const { return mUrl; }
    QString Carpeta() const { return mCarpeta.path(); }

private:
    QTemporaryDir mCarpeta;
    QString mUrl, mEsquema;
};

} // namespace prueba
