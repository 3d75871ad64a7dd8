#include "runtime/EscapaLinea.h"

#include <algorithm>

namespace corvanta {

namespace {

bool EsControl(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

} // namespace

QString EscapaLinea(const QString& texto) {
    // Most texts have nothing to escape: they go out as they are, without a copy.
    if (std::none_of(texto.cbegin(), texto.cend(), [](QChar c) { return EsControl(c.unicode()); }))
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
