#include "runtime/MensajesVentana.h"

#include <QMessageBox>
#include <QPushButton>

namespace corvanta {

int MensajesVentana::Muestra(const Mensaje& mensaje) {
    QMessageBox caja(mensaje.propietario.data());
    caja.setWindowTitle(mensaje.titulo);
    caja.setText(mensaje.texto);
    QString pie;
    if (!mensaje.modulo.isEmpty())
        pie = mensaje.modulo;
    if (!mensaje.idError.isEmpty())
        pie += (pie.isEmpty() ? QString() : QStringLiteral("  ")) + mensaje.idError;
    caja.setInformativeText(pie);
    switch (mensaje.estilo & 0xF0) {
    case Critico:
        caja.setIcon(QMessageBox::Critical);
        break;
    case Pregunta & 0xF0:
        caja.setIcon(QMessageBox::Question);
        break;
    case Exclamacion:
        caja.setIcon(QMessageBox::Warning);
        break;
    case Informacion:
        caja.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    if (PideSiNo(mensaje.estilo)) {
        QPushButton* si = caja.addButton(QStringLiteral("Sí"), QMessageBox::YesRole);
        QPushButton* no = caja.addButton(QStringLiteral("No"), QMessageBox::NoRole);
        caja.setDefaultButton(mensaje.estilo & SegundoBotonPorOmision ? no : si);
        caja.setEscapeButton(no);
        caja.exec();
        return caja.clickedButton() == si ? RespuestaSi : RespuestaNo;
    }
    caja.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
    caja.exec();
    return RespuestaAceptar;
}

} // namespace corvanta
