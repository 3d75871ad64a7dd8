#include "runtime/Cifrado.h"

#include "runtime/Error.h"
#include "runtime/Valores.h"

#include <array>

namespace corvanta {

namespace {

// Printable ASCII and printable Latin-1 without the invisible soft hyphen: 189 characters,
// all of which a text column stores and a screen shows. Stored passwords were enciphered
// over this alphabet alone, so it keeps its own reflection.
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

// The rest of the Basic Multilingual Plane that a database keeps: no NUL, no surrogate, no
// noncharacter, nothing of the alphabet above. Each member is one UTF-16 unit.
struct Tramo {
    char16_t desde;
    char16_t hasta;
};
constexpr std::array<Tramo, 6> kTramosBmp = {{{0x0001, 0x001F},
                                              {0x007F, 0x00A0},
                                              {0x00AD, 0x00AD},
                                              {0x0100, 0xD7FF},
                                              {0xE000, 0xFDCF},
                                              {0xFDF0, 0xFFFD}}};

constexpr quint32 TamanoBmp() {
    quint32 n = 0;
    for (const Tramo& t : kTramosBmp)
        n += t.hasta - t.desde + 1u;
    return n;
}

// -1 when the unit is not in the class.
qint64 IndiceBmp(char16_t c) {
    quint32 base = 0;
    for (const Tramo& t : kTramosBmp) {
        if (c >= t.desde && c <= t.hasta)
            return base + (c - t.desde);
        base += t.hasta - t.desde + 1u;
    }
    return -1;
}

char16_t UnidadBmp(quint32 indice) {
    for (const Tramo& t : kTramosBmp) {
        const quint32 largo = t.hasta - t.desde + 1u;
        if (indice < largo)
            return static_cast<char16_t>(t.desde + indice);
        indice -= largo;
    }
    return 0; // not reached: the index is always below the class's size
}

// The supplementary planes without their two noncharacters each (U+nFFFE, U+nFFFF). Each
// member is a surrogate pair.
constexpr quint32 kPorPlano = 0xFFFE;
constexpr quint32 kTamanoSuplementario = 16 * kPorPlano;

quint32 IndiceSuplementario(char32_t punto) {
    const quint32 desplazado = punto - 0x10000;
    return (desplazado >> 16) * kPorPlano + (desplazado & 0xFFFF);
}

char32_t PuntoSuplementario(quint32 indice) {
    return 0x10000 + (indice / kPorPlano) * 0x10000 + indice % kPorPlano;
}

// x -> (c - x) mod n: an involution on 0..n-1 for any c.
quint32 Refleja(quint32 x, quint32 constante, quint32 n) {
    const quint32 c = constante % n;
    return c >= x ? c - x : c + n - x;
}

} // namespace

QString Cifrado::Transforma(const QString& texto) const {
    if (!EsTextoGuardable(texto))
        throw Error(QStringLiteral("La contraseña tiene caracteres que no se pueden guardar "
                                   "(NUL, no caracteres Unicode o sustitutos sueltos)"));
    constexpr int n = 189;
    const auto& alfabeto = Alfabeto();
    // A per-position reflection x -> (k - x) mod n is an involution for any k; k mixes
    // the whole key with the position so equal letters encipher differently. Every class
    // keeps its UTF-16 length, so a character sits at the same position in both directions.
    quint32 semilla = 2166136261u;
    for (QChar c : mLlave)
        semilla = (semilla ^ c.unicode()) * 16777619u;
    const qsizetype largoLlave = mLlave.size();
    QString salida = texto;
    for (qsizetype i = 0; i < salida.size(); ++i) {
        quint32 k = semilla ^ (static_cast<quint32>(i) * 2654435761u);
        if (largoLlave > 0)
            k += mLlave.at(i % largoLlave).unicode() * 40503u;
        k ^= k >> 15;
        k *= 2246822519u;
        k ^= k >> 13;
        const char16_t unidad = salida.at(i).unicode();
        const int x = Posicion(unidad);
        if (x >= 0) {
            const int desplazamiento = static_cast<int>(k % n);
            salida[i] = QChar(alfabeto[static_cast<size_t>(((desplazamiento - x) % n + n) % n)]);
        } else if (QChar::isHighSurrogate(unidad)) {
            // A complete pair: EsTextoGuardable saw to that.
            const char32_t punto = QChar::surrogateToUcs4(unidad, salida.at(i + 1).unicode());
            const char32_t nuevo =
                PuntoSuplementario(Refleja(IndiceSuplementario(punto), k, kTamanoSuplementario));
            salida[i] = QChar(QChar::highSurrogate(nuevo));
            salida[i + 1] = QChar(QChar::lowSurrogate(nuevo));
            ++i;
        } else {
            const auto indice = static_cast<quint32>(IndiceBmp(unidad));
            salida[i] = QChar(UnidadBmp(Refleja(indice, k, TamanoBmp())));
        }
    }
    return salida;
}

} // namespace corvanta
