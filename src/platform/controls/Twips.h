#pragma once

class QWidget;

namespace corvanta {

// Positions and sizes of forms and controls are kept in twips exactly as set; the widget
// gets the nearest pixels (15 twips per pixel at 96 dpi).
constexpr int TwipsPorPixel = 15;

int APixeles(int twips);
void FijaGeometria(QWidget* control, int izquierda, int arriba, int ancho, int alto);
int Izquierda(const QWidget* control);
int Arriba(const QWidget* control);
int Ancho(const QWidget* control);
int Alto(const QWidget* control);
// A negative size is refused with an Error and leaves the control as it was.
void FijaAncho(QWidget* control, int ancho);
void FijaAlto(QWidget* control, int alto);

} // namespace corvanta
