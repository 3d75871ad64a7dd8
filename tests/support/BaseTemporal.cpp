#include "BaseTemporal.h"

#include "component/Publico.h"
#include "data/Tablas.h"
#include "forms/PunteroRaton.h"
#include "runtime/Cifrado.h"
#include "runtime/Valores.h"

namespace prueba {

namespace {

// The rows of one query, their cells joined by '|': as Filas tells, or as Concatena writes.
QStringList Lineas(corvanta::Connection& cnn, const QString& sql, bool comoFilas) {
    QStringList lineas;
    for (corvanta::Recordset rs = cnn.Execute(sql); !rs.Eof(); rs.MoveNext()) {
        QStringList celdas;
        for (int c = 0; c < rs.FieldCount(); ++c) {
            const QVariant& v = rs.Fields(c);
            if (!comoFilas)
                celdas.append(corvanta::Concatena(v));
            else if (!rs.FieldName(c).startsWith("fecha_", Qt::CaseInsensitive))
                celdas.append(
                    v.isNull() ? "NULL"
                    : v.typeId() == QMetaType::Double
                        ? QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest)
                        : v.toString());
        }
        lineas.append(celdas.join('|'));
    }
    return lineas;
}

} // namespace

QStringList Filas(corvanta::Connection& cnn, const QStringList& tablas) {
    QStringList filas;
    for (const QString& t :
         tablas.isEmpty() ? QStringList{"Pos_Servicio_Producto", "Producto"} : tablas) {
        const qsizetype i = t.indexOf('('); // "Tabla(a, b)"
        const QString sql = i < 0 ? "SELECT * FROM " + t
                                  : "SELECT " + t.mid(i + 1).chopped(1) + " FROM " + t.left(i);
        QStringList lineas = Lineas(cnn, sql, true);
        lineas.sort();
        filas += lineas;
    }
    return filas;
}

QStringList Consulta(corvanta::Connection& cnn, const QString& sql) {
    return Lineas(cnn, sql, false);
}

BaseTemporal::BaseTemporal(const QString& operador)
    : mMensajes(std::make_shared<corvanta::MensajesGrabados>(&corvanta::PunteroRaton::Actual)) {
    corvanta::Sesion::Configura(mBase.Url(), operador, mMensajes);
    kd562::CreaTablas(corvanta::Sesion::Conexion());
}

void BaseTemporal::Ejecuta(const QString& sql, const QVariantList& parametros) {
    // Statements with no values (DDL, triggers) run as they are: PostgreSQL cannot prepare them.
    parametros.isEmpty() ? (void)Cnn().Execute(sql) : (void)Cnn().Ejecuta(sql, parametros);
}

QVariant BaseTemporal::Valor(const QString& sql, const QVariantList& parametros) {
    corvanta::Recordset rs = Cnn().Ejecuta(sql, parametros);
    return rs.Eof() ? QVariant() : rs.Fields(0);
}

QString BaseTemporal::Volcado(const QStringList& consultas) {
    QStringList filas;
    for (const QString& sql : consultas)
        filas += Consulta(Cnn(), sql);
    return filas.join('\n');
}

void BaseTemporal::AgregaCuenta(const QString& url, const QString& usuario,
                                const QString& passwordPlano) {
    corvanta::Cifrado cifrado;
    cifrado.setLlave(kd562::LlaveCifrado);
    Ejecuta("INSERT INTO Pos_Servicio_Configuracion (Psc_URL, Psc_Usuario, Psc_Password, "
            "Oper_Alta, Fecha_Alta, Oper_Ult_Modif, Fecha_Ult_Modif) VALUES (?, ?, ?, 'PRUEBA', "
            "'2026-01-01T00:00:00', 'PRUEBA', '2026-01-01T00:00:00')",
            {url, usuario, cifrado.Transforma(passwordPlano)});
}

void BaseTemporal::AgregaProducto(const QString& clave, const QString& descripcionCorta) {
    Ejecuta("INSERT INTO Producto (Pr_Cve_Producto, Pr_Descripcion, Pr_Descripcion_Corta) VALUES "
            "(?, ?, ?)",
            {clave, descripcionCorta, descripcionCorta});
}

void BaseTemporal::AgregaServicio(const QString& clave, const QString& descripcion,
                                  const QString& grupo, double monto, const QString& observacion,
                                  const QString& producto, const QString& tipo) {
    Ejecuta("INSERT INTO Pos_Servicio_Producto (Psp_Cve_Producto, Psp_Descripcion, Psp_Tipo, "
            "Psp_Grupo, Psp_Monto, Psp_Observacion, Pr_Cve_Producto) VALUES (?, ?, ?, ?, ?, ?, ?)",
            {clave, descripcion, tipo, grupo, monto,
             observacion.isNull() ? QVariant() : QVariant(observacion), producto});
}

} // namespace prueba
