#include "catalogue/ClaveProducto.h"

#include "runtime/Valores.h"

#include <QLatin1StringView>

using corvanta::Primeros;

namespace kd562 {

namespace {

// The carriers with codes of their own: the description as the rules compare it, the code
// after the amount in the key and in the short code. An empty key code means the first 4
// characters of the description as stored.
struct Operador {
    QLatin1StringView descripcion;
    QLatin1StringView clave;
    QLatin1StringView corta;
};

constexpr Operador kOperadores[] = {
    {QLatin1StringView("TELEVIA"), QLatin1StringView(), QLatin1StringView("TLV")},
    {QLatin1StringView("PAQUETE AMIGO SIN LIMITE"), QLatin1StringView("ASL"),
     QLatin1StringView("ASL")},
    {QLatin1StringView("AT&T"), QLatin1StringView("ATT"), QLatin1StringView("ATT")},
    {QLatin1StringView("INTERNET AMIGO"), QLatin1StringView("ITA"), QLatin1StringView("ITA")},
    {QLatin1StringView("FLASH MOBILE"), QLatin1StringView("FLMB"), QLatin1StringView("FLB")},
    {QLatin1StringView("INTERNET MOVISTAR"), QLatin1StringView("INTM"), QLatin1StringView("ITM")},
    {QLatin1StringView("PAQUETE INTERNET MOVISTAR"), QLatin1StringView("PQIM"),
     QLatin1StringView("PQM")},
    {QLatin1StringView("WEEX"), QLatin1StringView("WEEX"), QLatin1StringView("WEX")},
};

// The carrier a description names (without surrounding blanks, in capitals), if any.
const Operador* OperadorDe(const QString& descripcion) {
    const QString d = corvanta::Recorta(descripcion).toUpper();
    for (const Operador& o : kOperadores)
        if (d == o.descripcion)
            return &o;
    return nullptr;
}

} // namespace

QString TextoMonto(double monto) {
    return corvanta::FormatoGeneral(monto, QLocale());
}

QString ClaveProducto(const QString& grupo, const QString& descripcion, double monto) {
    if (grupo != QStringLiteral("TAE"))
        return Primeros(descripcion, 10);
    const Operador* operador = OperadorDe(descripcion);
    QString codigo;
    if (!operador)
        codigo = Primeros(descripcion, 3);
    else if (operador->clave.isEmpty())
        codigo = Primeros(descripcion, 4);
    else
        codigo = operador->clave;
    return Primeros(TextoMonto(monto) + codigo, 10);
}

QString ClaveCortaProducto(const QString& descripcion, double monto, const QString& clave) {
    const Operador* operador = OperadorDe(descripcion);
    if (!operador)
        return Primeros(clave, 6);
    return Primeros(TextoMonto(monto) + operador->corta, 6);
}

} // namespace kd562
