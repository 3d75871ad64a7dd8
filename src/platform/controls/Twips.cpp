#include "controls/Twips.h"

#include "runtime/Error.h"

#include <QVariant>
#include <QWidget>
#include <cmath>

namespace corvanta {

namespace {

int Lee(const QWidget* control, const char* nombre, int pixeles) {
    const QVariant valor = control->property(nombre);
    // A size changed by the window system, not through twips, is read from the pixels.
    if (valor.isValid() && APixeles(valor.toInt()) == pixeles)
        return valor.toInt();
    return pixeles * TwipsPorPixel;
}

Error ValorNoValido() {
    return Error(QStringLiteral("Valor de propiedad no válido"));
}

} // namespace

int APixeles(int twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / TwipsPorPixel));
}

void FijaGeometria(QWidget* control, int izquierda, int arriba, int ancho, int alto) {
    if (ancho < 0 || alto < 0)
        throw ValorNoValido();
    control->setProperty("twIzquierda", izquierda);
    control->setProperty("twArriba", arriba);
    control->setProperty("twAncho", ancho);
    control->setProperty("twAlto", alto);
    control->setGeometry(APixeles(izquierda), APixeles(arriba), APixeles(ancho), APixeles(alto));
}

int Izquierda(const QWidget* control) {
    return Lee(control, "twIzquierda", control->x());
}
int Arriba(const QWidget* control) {
    return Lee(control, "twArriba", control->y());
}
int Ancho(const QWidget* control) {
    return Lee(control, "twAncho", control->width());
}
int Alto(const QWidget* control) {
    return Lee(control, "twAlto", control->height());
}

void FijaAncho(QWidget* control, int ancho) {
    if (ancho < 0)
        throw ValorNoValido();
    FijaGeometria(control, Izquierda(control), Arriba(control), ancho, Alto(control));
}

void FijaAlto(QWidget* control, int alto) {
    if (alto < 0)
        throw ValorNoValido();
    FijaGeometria(control, Izquierda(control), Arriba(control), Ancho(control), alto);
}

} // namespace corvanta
