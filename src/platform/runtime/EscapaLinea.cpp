#include "runtime/EscapaLinea.h"

#include <algorithm>

namespace corvanta {

namespace {

bool EsControl(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Line and paragraph separators, which some log viewers break lines on, and the
// bidirectional controls, which make text read in another order than it was written.
bool EsSeparadorOBidi(char16_t c) {
    return c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

bool SeEscapa(char16_t c) {
    return EsControl(c) || EsSeparadorOBidi(c);
}

} // namespace

QString EscapaLinea(const QString& texto) {
    // Most texts have nothing to escape: they go out as they are, without a copy.
    if (std::none_of(texto.cbegin(), texto.cend(), [](QChar c) { return SeEscapa(c.unicode()); }))
        return texto;
    QString linea;
    linea.reserve(texto.size());
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const char16_t c = texto.at(i).unicode();
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < texto.size() && texto.at(i + 1) == u'\n')
                ++i;
            linea += QStringLiteral("\\n");
        } else if (c == u'\t') {
            linea += QLatin1Char(' ');
        } else if (EsSeparadorOBidi(c)) {
            linea += QStringLiteral("\\u{%1}").arg(QString::number(c, 16).toUpper());
        } else if (EsControl(c)) {
            linea += QStringLiteral("\\x") +
                     QString::number(c, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        } else {
            linea += QChar(c);
        }
    }
    return linea;
}

} // namespace corvanta
