#pragma once

#include "BaseNueva.h"
#include "runtime/Connection.h"
#include "runtime/MensajesGrabados.h"
#include "runtime/Sesion.h"

#include <QStringList>
#include <QVariantList>
#include <memory>

namespace prueba {

// Every row of the tables, one line each with its cells joined by '|', each table's lines
// sorted as text (alike on both engines): NULL as "NULL" and empty text as nothing, numbers
// in their shortest form, the date columns (Fecha_*) left out. "Tabla(a, b)" dumps only
// those columns. No tables given: Pos_Servicio_Producto, then Producto.
QStringList Filas(corvanta::Connection& cnn, const QStringList& tablas = {});
// Every row the query returns, one line each with its fields joined by '|' as Concatena
// writes them.
QStringList Consulta(corvanta::Connection& cnn, const QString& sql);

// A fresh database with the module's tables, installed as the session's database, and a
// recording message service. SQLite, or PostgreSQL when the tests run on it (BaseNueva).
class BaseTemporal {
public:
    explicit BaseTemporal(const QString& operador = QStringLiteral("OPER01"));
    ~BaseTemporal() { corvanta::Sesion::Cierra(); }

    QString Url() const { return mBase.Url(); }
    QString Carpeta() const { return mBase.Carpeta(); }
    corvanta::MensajesGrabados& Mensajes() { return *mMensajes; }
    corvanta::Connection& Cnn() { return corvanta::Sesion::Conexion(); }
    void Ejecuta(const QString& sql, const QVariantList& parametros = {});
    QVariant Valor(const QString& sql, const QVariantList& parametros = {});
    qlonglong Entero(const QString& sql, const QVariantList& p = {}) {
        return Valor(sql, p).toLongLong();
    }
    // Every row the queries return, one line each with its fields joined by '|'.
    QString Volcado(const QStringList& consultas);
    QStringList Filas(const QStringList& tablas = {}) { return prueba::Filas(Cnn(), tablas); }
    // A second, independent connection to the same database (for checks and locks).
    std::unique_ptr<corvanta::Connection> OtraConexion() const {
        return corvanta::Connection::Abre(mBase.Url());
    }

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
