#pragma once

#include "forms/Modulo.h"

#include <QString>

namespace corvanta {

// Loads the screen module named `modulo` (lib<modulo>.so) from `carpeta`. Throws Error with
// one clear line when it is missing or is not a module of the suite.
IModulo* CargaModulo(const QString& carpeta, const QString& modulo);

} // namespace corvanta
