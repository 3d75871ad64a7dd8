#include "runtime/Cifrado.h"

#include <array>

namespace corvanta {

namespace {

// Printable ASCII and printable Latin-1 without the invisible soft hyphen: 189 characters,
// all of which a text column stores and a screen shows.
const std::array<char16_t, 189>& Alfabeto() {
    static const std::array<char16_t, 189> alfabeto = [] {
        std::array<char16_t, 189> a{};
        size_t n = 0;
        for (char16_t c = 0x20; c <= 0x7E; ++c)
            a[n++] = c;
        for (char16_t c = 0xA1; c <= 0xFF; ++c)
            if (c != 0xAD)
                a[n++] = c;
        return a;
    }();
    return alfabeto;
}

int Posicion(char16_t c) {
    if (c >= 0x20 && c <= 0x7E)
        return c - 0x20;
    if (c >= 0xA1 && c <= 0xFF && c != 0xAD)
        return 95 + (c - 0xA1) - (c > 0xAD ? 1 : 0);
    return -1;
}

} // namespace

QString Cifrado::Transforma(const QString& texto) const {
    constexpr int n = 189;
    const auto& alfabeto = Alfabeto();
    // A per-position reflection x -> (k - x) mod n is an involution for any k; k mixes
    // the whole key with the position so equal letters encipher differently.
    quint32 semilla = 2166136261u;
    for (QChar c : mLlave)
        semilla = (semilla ^ c.unicode()) * 16777619u;
    const qsizetype largoLlave = mLlave.size();
    QString salida = texto;
    for (qsizetype i = 0; i < salida.size(); ++i) {
        const int x = Posicion(salida.at(i).unicode());
        if (x < 0)
            continue; // outside the alphabet: left as it is, so the text stays valid
        quint32 k = semilla ^ (static_cast<quint32>(i) * 2654435761u);
        if (largoLlave > 0)
            k += mLlave.at(i % largoLlave).unicode() * 40503u;
        k ^= k >> 15;
        k *= 2246822519u;
        k ^= k >> 13;
        const int desplazamiento = static_cast<int>(k % n);
        salida[i] = QChar(alfabeto[static_cast<size_t>(((desplazamiento - x) % n + n) % n)]);
    }
    return salida;
}

} // namespace corvanta
