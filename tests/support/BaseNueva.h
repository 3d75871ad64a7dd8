#pragma once

#include <QString>
#include <QTemporaryDir>

namespace prueba {

// The engine the database tests run on: PostgreSQL when KD562_PRUEBA_MOTOR is "postgresql"
// (the server's address in KD562_PG_URL), SQLite otherwise.
bool EsPostgreSql();

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
