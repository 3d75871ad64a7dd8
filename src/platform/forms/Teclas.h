#pragma once

class QKeyEvent;

namespace corvanta {

// Key codes and shift states as the suite's handlers read them: F1 is 112, letters are
// their capital's code; shift state 1 Shift, 2 Ctrl, 4 Alt, summed.
int CodigoTecla(const QKeyEvent* evento);
int EstadoShift(const QKeyEvent* evento);

} // namespace corvanta
