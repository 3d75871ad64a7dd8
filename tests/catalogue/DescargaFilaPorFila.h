#pragma once

#include "gateway/Respuesta.h"

#include <QString>

namespace prueba {

// The download written one statement per row, as the screen first did it: each service's
// INSERT as SQL text, then for each stored row a look-up, a product save and an UPDATE of
// every row with the same service key and amount. Runs on the session's connection in one
// transaction. Returns empty text when it committed, or the message it stopped with (the
// transaction then rolled back). A shop's own product under a derived key stops it.
QString DescargaFilaPorFila(const corvanta::Respuesta& respuesta, const QString& sFecha,
                            const QString& sOperador);

} // namespace prueba
