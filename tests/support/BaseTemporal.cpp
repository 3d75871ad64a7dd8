#include "BaseTemporal.h"

#include "data/Tablas.h"
#include "forms/PunteroRaton.h"
#include "runtime/Cifrado.h"
#include "runtime/Error.h"
#include "runtime/Sesion.h"
#include "runtime/Valores.h"

namespace prueba {

BaseTemporal::BaseTemporal(const QString& operador)
    : mMensajes(std::make_shared<corvanta::MensajesGrabados>(&corvanta::PunteroRaton::Actual)) {
    corvanta::Sesion::Configura(mBase.Url(), operador, mMensajes);
    kd562::CreaTablas(corvanta::Sesion::Conexion());
}

BaseTemporal::~BaseTemporal() {
    corvanta::Sesion::Cierra();
}

corvanta::Connection& BaseTemporal::Cnn() {
    return corvanta::Sesion::Conexion();
}

void BaseTemporal::Ejecuta(const QString& sql, const QVariantList& parametros) {
    // Statements with no values (DDL, triggers) run as they are; PostgreSQL cannot prepare
    // them.
    if (parametros.isEmpty())
        Cnn().Execute(sql);
    else
        Cnn().Ejecuta(sql, parametros);
}

QVariant BaseTemporal::Valor(const QString& sql, const QVariantList& parametros) {
    corvanta::Recordset rs = Cnn().Ejecuta(sql, parametros);
    return rs.Eof() ? QVariant() : rs.Fields(0);
}

QString BaseTemporal::Volcado(const QStringList& consultas) {
    QStringList filas;
    for (const QString& sql : consultas) {
        corvanta::Recordset rs = Cnn().Execute(sql);
        for (; !rs.Eof(); rs.MoveNext()) {
            QStringList celdas;
            for (int c = 0; c < rs.FieldCount(); ++c)
                celdas.append(corvanta::Concatena(rs.Fields(c)));
            filas.append(celdas.join(QLatin1Char('|')));
        }
    }
    return filas.join(QLatin1Char('\n'));
}

qlonglong BaseTemporal::Entero(const QString& sql, const QVariantList& parametros) {
    return Valor(sql, parametros).toLongLong();
}

std::unique_ptr<corvanta::Connection> BaseTemporal::OtraConexion() const {
    return corvanta::Connection::Abre(mBase.Url());
}

void BaseTemporal::AgregaCuenta(const QString& url, const QString& usuario,
                                const QString& passwordPlano) {
    corvanta::Cifrado cifrado;
    cifrado.setLlave(QStringLiteral("PaTiNoLuX"));
    Ejecuta(QStringLiteral("INSERT INTO Pos_Servicio_Configuracion (Psc_URL, Psc_Usuario, "
                           "Psc_Password, Oper_Alta, Fecha_Alta, Oper_Ult_Modif, "
                           "Fecha_Ult_Modif) VALUES (?, ?, ?, 'PRUEBA', '2026-01-01T00:00:00', "
                           "'PRUEBA', '2026-01-01T00:00:00')"),
            {url, usuario, cifrado.Transforma(passwordPlano)});
}

void BaseTemporal::AgregaProducto(const QString& clave, const QString& descripcionCorta) {
    Ejecuta(QStringLiteral("INSERT INTO Producto (Pr_Cve_Producto, Pr_Descripcion, "
                           "Pr_Descripcion_Corta) VALUES (?, ?, ?)"),
            {clave, descripcionCorta, descripcionCorta});
}

void BaseTemporal::AgregaServicio(const QString& clave, const QString& descripcion,
                                  const QString& grupo, double monto, const QString& observacion,
                                  const QString& producto, const QString& tipo) {
    Ejecuta(QStringLiteral("INSERT INTO Pos_Servicio_Producto (Psp_Cve_Producto, "
                           "Psp_Descripcion, Psp_Tipo, Psp_Grupo, Psp_Monto, Psp_Observacion, "
                           "Pr_Cve_Producto) VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {clave, descripcion, tipo, grupo, monto,
             observacion.isNull() ? QVariant() : QVariant(observacion), producto});
}

} // namespace prueba
