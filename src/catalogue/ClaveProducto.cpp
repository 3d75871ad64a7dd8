#include "catalogue/ClaveProducto.h"

#include "runtime/Valores.h"

using corvanta::Primeros;

namespace kd562 {

namespace {

// The description as the rules compare it: without surrounding blanks, in capitals.
QString Prueba(const QString& descripcion) {
    return corvanta::Recorta(descripcion).toUpper();
}

} // namespace

QString TextoMonto(double monto) {
    return corvanta::FormatoGeneral(monto, QLocale());
}

QString ClaveProducto(const QString& grupo, const QString& descripcion, double monto) {
    if (grupo != QStringLiteral("TAE"))
        return Primeros(descripcion, 10);
    const QString d = Prueba(descripcion);
    const QString importe = TextoMonto(monto);
    QString clave;
    if (d == QStringLiteral("TELEVIA"))
        clave = importe + Primeros(descripcion, 4);
    else if (d == QStringLiteral("PAQUETE AMIGO SIN LIMITE"))
        clave = importe + QStringLiteral("ASL");
    else if (d == QStringLiteral("AT&T"))
        clave = importe + QStringLiteral("ATT");
    else if (d == QStringLiteral("INTERNET AMIGO"))
        clave = importe + QStringLiteral("ITA");
    else if (d == QStringLiteral("FLASH MOBILE"))
        clave = importe + QStringLiteral("FLMB");
    else if (d == QStringLiteral("INTERNET MOVISTAR"))
        clave = importe + QStringLiteral("INTM");
    else if (d == QStringLiteral("PAQUETE INTERNET MOVISTAR"))
        clave = importe + QStringLiteral("PQIM");
    else if (d == QStringLiteral("WEEX"))
        clave = importe + QStringLiteral("WEEX");
    else
        clave = importe + Primeros(descripcion, 3);
    return Primeros(clave, 10);
}

QString ClaveCortaProducto(const QString& descripcion, double monto, const QString& clave) {
    const QString d = Prueba(descripcion);
    const QString importe = TextoMonto(monto);
    QString corta;
    if (d == QStringLiteral("TELEVIA"))
        corta = importe + QStringLiteral("TLV");
    else if (d == QStringLiteral("PAQUETE AMIGO SIN LIMITE"))
        corta = importe + QStringLiteral("ASL");
    else if (d == QStringLiteral("AT&T"))
        corta = importe + QStringLiteral("ATT");
    else if (d == QStringLiteral("INTERNET AMIGO"))
        corta = importe + QStringLiteral("ITA");
    else if (d == QStringLiteral("FLASH MOBILE"))
        corta = importe + QStringLiteral("FLB");
    else if (d == QStringLiteral("INTERNET MOVISTAR"))
        corta = importe + QStringLiteral("ITM");
    else if (d == QStringLiteral("PAQUETE INTERNET MOVISTAR"))
        corta = importe + QStringLiteral("PQM");
    else if (d == QStringLiteral("WEEX"))
        corta = importe + QStringLiteral("WEX");
    else
        corta = clave;
    return Primeros(corta, 6);
}

} // namespace kd562
