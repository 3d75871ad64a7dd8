#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

namespace corvanta {

// Standard message-box styles and answers. The low four bits of a style choose the buttons,
// the next four the icon.
enum BotonesMensaje { BotonesSiNo = 4 };
enum EstiloMensaje {
    Critico = 16,
    Pregunta = 32 | BotonesSiNo,
    Exclamacion = 48,
    Informacion = 64
};
// Added to a style: the second button (No) is the default one.
enum BotonPorOmision { SegundoBotonPorOmision = 256 };
enum RespuestaMensaje { RespuestaAceptar = 1, RespuestaSi = 6, RespuestaNo = 7 };

struct Mensaje {
    QString texto;
    int estilo = 0;
    QString titulo;
    QPointer<QWidget> propietario;
    QString modulo;
    QString idError;
};

// Whether the message asks Yes or No rather than showing one button.
inline bool PideSiNo(int estilo) {
    return (estilo & 0x0F) == BotonesSiNo;
}

// Where a screen's messages go: message boxes, the console, or a test's recorder.
class ServicioMensajes {
public:
    virtual ~ServicioMensajes() = default;
    // Shows the message and returns the button pressed (6 Yes, 7 No, 1 OK).
    virtual int Muestra(const Mensaje& mensaje) = 0;
};

} // namespace corvanta
