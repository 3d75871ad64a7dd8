#pragma once

#include "BaseNueva.h"
#include "runtime/Connection.h"
#include "runtime/MensajesGrabados.h"

#include <QString>
#include <QTemporaryDir>
#include <QVariantList>
#include <memory>

namespace prueba {

// A fresh database with the module's tables, installed as the session's database, and a
// recording message service. SQLite, or PostgreSQL when the tests run on it (BaseNueva).
class BaseTemporal {
public:
    explicit BaseTemporal(const QString& operador = QStringLiteral("OPER01"));
    ~BaseTemporal();

    QString Url() const { return mBase.Url(); }
    corvanta::MensajesGrabados& Mensajes() { return *mMensajes; }
    corvanta::Connection& Cnn();
    void Ejecuta(const QString& sql, const QVariantList& parametros = {});
    qlonglong Entero(const QString& sql, const QVariantList& parametros = {});
    QVariant Valor(const QString& sql, const QVariantList& parametros = {});
    // Every row the queries return, one line each with its fields joined by '|'.
    QString Volcado(const QStringList& consultas);
    // A second, independent connection to the same file (for checks and locks).
    std::unique_ptr<corvanta::Connection> OtraConexion() const;

    void AgregaCuenta(const QString& url, const QString& usuario, const QString& passwordPlano);
    void AgregaProducto(const QString& clave, const QString& descripcionCorta);
    void AgregaServicio(const QString& clave, const QString& descripcion, const QString& grupo,
                        double monto, const QString& observacion, const QString& producto,
                        const QString& tipo = QStringLiteral("01"));

private:
    BaseNueva mBase;
    std::shared_ptr<corvanta::MensajesGrabados> mMensajes;
};

} // namespace prueba
