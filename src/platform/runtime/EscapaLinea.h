#pragma once

#include <QString>

namespace corvanta {

// A text made into (part of) one line of output that nothing in it can break or forge: CR LF,
// CR and LF become the two characters \n, a tab a blank, every other control character
// (U+0000 to U+001F, U+007F to U+009F) \xHH of its code point, the line and paragraph
// separators and the bidirectional controls (U+2028, U+2029, U+202A to U+202E, U+2066 to
// U+2069) \u{HHHH}; the rest, backslashes too, stays as it is.
QString EscapaLinea(const QString& texto);

} // namespace corvanta
