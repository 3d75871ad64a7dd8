#include "controls/Teclas.h"

#include <QKeyEvent>

namespace corvanta {

int CodigoTecla(const QKeyEvent* evento) {
    const int tecla = evento->key();
    if (tecla >= Qt::Key_F1 && tecla <= Qt::Key_F24)
        return TeclaF1 + (tecla - Qt::Key_F1);
    if ((tecla >= Qt::Key_A && tecla <= Qt::Key_Z) || (tecla >= Qt::Key_0 && tecla <= Qt::Key_9))
        return tecla;
    switch (tecla) {
    case Qt::Key_Escape:
        return TeclaEscape;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    default:
        return 0;
    }
}

int EstadoShift(const QKeyEvent* evento) {
    const Qt::KeyboardModifiers m = evento->modifiers();
    return (m.testFlag(Qt::ShiftModifier) ? ShiftMayusculas : 0) |
           (m.testFlag(Qt::ControlModifier) ? ShiftControl : 0) |
           (m.testFlag(Qt::AltModifier) ? ShiftAlt : 0);
}

} // namespace corvanta
