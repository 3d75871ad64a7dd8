#pragma once

class QKeyEvent;

namespace corvanta {

// Key codes and shift states as the suite's handlers read them: F1 is 112, letters are
// their capital's code; shift state 1 Shift, 2 Ctrl, 4 Alt, summed.
int CodigoTecla(const QKeyEvent* evento);
int EstadoShift(const QKeyEvent* evento);

// The codes the screens test for.
enum CodigoTeclaSuite {
    TeclaEscape = 27,
    TeclaC = 67,
    TeclaE = 69,
    TeclaF1 = 112,
    TeclaF4 = 115,
    TeclaF5 = 116,
};
enum EstadoShiftSuite { ShiftMayusculas = 1, ShiftControl = 2, ShiftAlt = 4 };

} // namespace corvanta
