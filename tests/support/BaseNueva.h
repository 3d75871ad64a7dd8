#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QtTest>

// In initTestCase: a PostgreSQL run with no server given is skipped whole, with a one-line
// reason that CTest recognises as a skip.
#define KD562_SALTA_SIN_SERVIDOR()                                                                 \
    do {                                                                                           \
        if (prueba::FaltaServidor())                                                               \
            QSKIP("Variante PostgreSQL sin servidor: defina KD562_PG_URL (scripts/pg-servidor "    \
                  "start)");                                                                       \
    } while (false)

namespace prueba {

// The engine the database tests run on: PostgreSQL when KD562_PRUEBA_MOTOR is "postgresql"
// (the server's address in KD562_PG_URL), SQLite otherwise.
bool EsPostgreSql();
// True when the tests should run on PostgreSQL but KD562_PG_URL names no server.
bool FaltaServidor();

// A fresh, empty database for one test, removed with this object: a SQLite file in a
// temporary folder, or a schema of its own in a PostgreSQL database of this process.
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
    QString mUrl;
    QString mEsquema;
};

} // namespace prueba
