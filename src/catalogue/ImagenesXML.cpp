#include "catalogue/ImagenesXML.h"

#include <QPainter>
#include <QPainterPath>

namespace kd562 {

QPixmap DibujaImagenXML(int imagen) {
    QPixmap lienzo(16, 16);
    lienzo.fill(Qt::white);
    QPainter p(&lienzo);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen trazo(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (imagen) {
    case 1:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(34, 160, 60));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setPen(trazo);
        p.drawPolyline(QPolygonF({QPointF(4.5, 8.5), QPointF(7, 11), QPointF(11.5, 5)}));
        break;
    case 2:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(210, 40, 40));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setPen(trazo);
        p.drawLine(QPointF(5, 5), QPointF(11, 11));
        p.drawLine(QPointF(11, 5), QPointF(5, 11));
        break;
    case 3: {
        QPainterPath triangulo;
        triangulo.moveTo(8, 1);
        triangulo.lineTo(15, 14.5);
        triangulo.lineTo(1, 14.5);
        triangulo.closeSubpath();
        p.setPen(QPen(QColor(150, 110, 0), 1));
        p.setBrush(QColor(250, 200, 30));
        p.drawPath(triangulo);
        p.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 5.5), QPointF(8, 9.5));
        p.drawPoint(QPointF(8, 12.3));
        break;
    }
    default:
        break;
    }
    return lienzo;
}

} // namespace kd562
