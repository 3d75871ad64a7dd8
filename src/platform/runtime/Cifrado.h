#pragma once

#include <QString>

namespace corvanta {

// Keyed text cipher for the gateway password. The gateway needs the password in plain, so
// this is obfuscation of the stored text, not protection against someone holding the key.
class Cifrado {
public:
    void setLlave(const QString& llave) { mLlave = llave; }
    // Its own inverse under one key: applied twice it gives the text back. The result has
    // the text's UTF-16 length and is text a database keeps. Throws Error for a text that a
    // database cannot keep (NUL, noncharacters, lone surrogates).
    QString Transforma(const QString& texto) const;

private:
    QString mLlave;
};

} // namespace corvanta
