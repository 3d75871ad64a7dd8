#pragma once

#include <QString>

namespace corvanta {

// A text made into (part of) one line of output that nothing in it can break or forge: CR LF,
// CR and LF become the two characters \n, a tab a blank, every other control character
// (U+0000 to U+001F, U+007F to U+009F) \xHH of its code point; the rest, backslashes too,
// stays as it is.
QString EscapaLinea(const QString& texto);

} // namespace corvanta
