#include "runtime/Productos.h"

#include "runtime/Dialecto.h"
#include "runtime/Sesion.h"
#include "runtime/Valores.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>

namespace corvanta {

const QStringList& Productos::Columnas() {
    static const QStringList columnas = {
        QStringLiteral("Pr_Clave_Corta"), QStringLiteral("Pr_Texto1"),
        QStringLiteral("Pr_Descripcion"), QStringLiteral("Pr_Descripcion_Corta"),
        QStringLiteral("Pr_Codigo1"),     QStringLiteral("Pr_Codigo2"),
        QStringLiteral("Pr_Precio"),      QStringLiteral("Pr_Valor1"),
        QStringLiteral("Pr_Valor2"),      QStringLiteral("Pr_Valor3"),
        QStringLiteral("Pr_Valor4"),      QStringLiteral("Pr_Grupo"),
        QStringLiteral("Pr_Unidad"),      QStringLiteral("Pr_Impuesto")};
    return columnas;
}

QVariantList Productos::Valores(const DatosProducto& d) {
    return {d.ClaveCorta, d.Texto1, d.Descripcion, d.DescripcionCorta, d.Codigo1,
            d.Codigo2,    d.Monto,  d.Valor1,      d.Valor2,           d.Valor3,
            d.Valor4,     d.Grupo,  d.Unidad,      d.Impuesto};
}

namespace {

// The key, the values a save writes, then the given operators and dates.
QVariantList Fila(const DatosProducto& d, std::initializer_list<QString> finales) {
    QVariantList fila;
    fila.reserve(1 + 14 + static_cast<qsizetype>(finales.size()));
    fila.append(d.Clave);
    fila.append(Productos::Valores(d));
    for (const QString& f : finales)
        fila.append(f);
    return fila;
}

bool Existe(Connection& cnn, const QString& clave) {
    return !cnn.Ejecuta(QStringLiteral("SELECT 1 FROM Producto WHERE Pr_Cve_Producto = ?"), {clave})
                .Eof();
}

QString TextoLeido(const QVariant& valor) {
    return valor.isNull() ? QString() : Texto(valor);
}

double NumeroLeido(const QVariant& valor) {
    return valor.isNull() ? std::nan("") : Doble(valor);
}

bool MismoTexto(const QString& a, const QString& b) {
    return a.isNull() == b.isNull() && a == b;
}

bool MismoNumero(double a, double b) {
    return a == b;
}

} // namespace

bool Productos::Revisa(DatosProducto& datos, bool bNuevo, bool existe) {
    mMensajeError.clear();
    if (Recorta(datos.Clave).isEmpty()) {
        mMensajeError = QStringLiteral("La clave del producto no puede estar vacía");
        return false;
    }
    if (datos.Descripcion.isEmpty()) {
        mMensajeError = QStringLiteral("La descripción del producto no puede estar vacía");
        return false;
    }
    if (datos.Unidad.isEmpty())
        datos.Unidad = QStringLiteral("SERVICIO");
    if (bNuevo && existe) {
        mMensajeError = QStringLiteral("Ya existe un producto con la clave %1").arg(datos.Clave);
        return false;
    }
    if (!bNuevo && !existe) {
        mMensajeError =
            QStringLiteral("No existe un producto con la clave %1 para modificar").arg(datos.Clave);
        return false;
    }
    return true;
}

bool Productos::GuardaProducto(DatosProducto& datos, bool& bNuevo) {
    Connection& cnn = Sesion::Conexion();
    const bool existe = !Recorta(datos.Clave).isEmpty() && Existe(cnn, datos.Clave);
    if (!Revisa(datos, bNuevo, existe))
        return false;
    // The server's clock is read inside the statement: one round trip less per product.
    const QString fecha = ExpresionFechaServidor(cnn.motor());
    const QString operador = Sesion::Operador();
    const QStringList columnas = Columnas();
    if (bNuevo) {
        const QVariantList parametros =
            QVariantList{datos.Clave} + Valores(datos) + QVariantList{operador, operador};
        cnn.Ejecuta(
            QStringLiteral("INSERT INTO Producto (Pr_Cve_Producto, %1, Oper_Alta, "
                           "Fecha_Alta, Oper_Ult_Modif, Fecha_Ult_Modif) VALUES (?, %2, "
                           "?, %3, ?, %3)")
                .arg(columnas.join(QStringLiteral(", ")),
                     QStringList(columnas.size(), QStringLiteral("?")).join(QStringLiteral(", ")),
                     fecha),
            parametros);
    } else {
        QStringList asignaciones;
        for (const QString& c : columnas)
            asignaciones.append(c + QStringLiteral(" = ?"));
        const QVariantList parametros = Valores(datos) + QVariantList{operador, datos.Clave};
        cnn.Ejecuta(QStringLiteral("UPDATE Producto SET %1, Oper_Ult_Modif = ?, Fecha_Ult_Modif "
                                   "= %2 WHERE Pr_Cve_Producto = ?")
                        .arg(asignaciones.join(QStringLiteral(", ")), fecha),
                    parametros);
    }
    // The row just written is the product's: it exists now.
    if (cnn.FilasAfectadas() != 1) {
        mMensajeError =
            QStringLiteral("No se pudo guardar el producto con la clave %1").arg(datos.Clave);
        return false;
    }
    return true;
}

QHash<QString, DatosProducto> Productos::Lee(const QStringList& claves) {
    Connection& cnn = Sesion::Conexion();
    const QString lista = QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(claves)).toJson(QJsonDocument::Compact));
    Recordset rs =
        cnn.Ejecuta(QStringLiteral("SELECT Pr_Cve_Producto, %1 FROM Producto WHERE "
                                   "Pr_Cve_Producto IN (%2)")
                        .arg(Columnas().join(QStringLiteral(", ")), SubconsultaLista(cnn.motor())),
                    {lista});
    QHash<QString, DatosProducto> leidos;
    for (; !rs.Eof(); rs.MoveNext()) {
        DatosProducto d = DeFila(rs, 0);
        leidos.insert(d.Clave, d);
    }
    return leidos;
}

DatosProducto Productos::DeFila(const Recordset& rs, int primera) {
    DatosProducto d;
    d.Clave = TextoLeido(rs.Fields(primera));
    d.ClaveCorta = TextoLeido(rs.Fields(primera + 1));
    d.Texto1 = TextoLeido(rs.Fields(primera + 2));
    d.Descripcion = TextoLeido(rs.Fields(primera + 3));
    d.DescripcionCorta = TextoLeido(rs.Fields(primera + 4));
    d.Codigo1 = TextoLeido(rs.Fields(primera + 5));
    d.Codigo2 = TextoLeido(rs.Fields(primera + 6));
    d.Monto = NumeroLeido(rs.Fields(primera + 7));
    d.Valor1 = NumeroLeido(rs.Fields(primera + 8));
    d.Valor2 = NumeroLeido(rs.Fields(primera + 9));
    d.Valor3 = NumeroLeido(rs.Fields(primera + 10));
    d.Valor4 = NumeroLeido(rs.Fields(primera + 11));
    d.Grupo = TextoLeido(rs.Fields(primera + 12));
    d.Unidad = TextoLeido(rs.Fields(primera + 13));
    d.Impuesto = NumeroLeido(rs.Fields(primera + 14));
    return d;
}

void Productos::GuardaProductos(const std::vector<DatosProducto>& nuevos,
                                const std::vector<DatosProducto>& existentes,
                                const std::function<void(size_t hechos, size_t total)>& avance) {
    if (nuevos.empty() && existentes.empty())
        return;
    Connection& cnn = Sesion::Conexion();
    // One reading of the server's clock serves every product of the batch.
    const QString fecha = Texto(cnn.Execute(SentenciaFechaServidor(cnn.motor())).Fields(0));
    const QString operador = Sesion::Operador();
    const size_t total = nuevos.size() + existentes.size();

    cnn.InsertaLote(QStringLiteral("Producto"),
                    QStringList{QStringLiteral("Pr_Cve_Producto")} + Columnas() +
                        QStringList{QStringLiteral("Oper_Alta"), QStringLiteral("Fecha_Alta"),
                                    QStringLiteral("Oper_Ult_Modif"),
                                    QStringLiteral("Fecha_Ult_Modif")},
                    nuevos.size(), [&](size_t i, QVariantList& fila) {
                        fila = Fila(nuevos[i], {operador, fecha, operador, fecha});
                        if (avance)
                            avance(i + 1, total);
                    });
    cnn.ActualizaLote(QStringLiteral("Producto"), QStringLiteral("Pr_Cve_Producto"),
                      Columnas() + QStringList{QStringLiteral("Oper_Ult_Modif"),
                                               QStringLiteral("Fecha_Ult_Modif")},
                      existentes.size(), [&](size_t i, QVariantList& fila) {
                          fila = Fila(existentes[i], {operador, fecha});
                          if (avance)
                              avance(nuevos.size() + i + 1, total);
                      });
}

bool Productos::MismoContenido(const DatosProducto& g, const DatosProducto& n) {
    return MismoTexto(g.ClaveCorta, n.ClaveCorta) && MismoTexto(g.Texto1, n.Texto1) &&
           MismoTexto(g.Descripcion, n.Descripcion) &&
           MismoTexto(g.DescripcionCorta, n.DescripcionCorta) && MismoTexto(g.Codigo1, n.Codigo1) &&
           MismoTexto(g.Codigo2, n.Codigo2) && MismoNumero(g.Monto, n.Monto) &&
           MismoNumero(g.Valor1, n.Valor1) && MismoNumero(g.Valor2, n.Valor2) &&
           MismoNumero(g.Valor3, n.Valor3) && MismoNumero(g.Valor4, n.Valor4) &&
           MismoTexto(g.Grupo, n.Grupo) && MismoTexto(g.Unidad, n.Unidad) &&
           MismoNumero(g.Impuesto, n.Impuesto);
}

} // namespace corvanta
