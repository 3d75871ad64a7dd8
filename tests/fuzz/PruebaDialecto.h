#pragma once

#include <cstddef>
#include <cstdint>

// Reads bytes as UTF-8 SQL text and rewrites it for each engine. Aborts when the rewrite
// changes quoted text or anything but the function name ISNULL, or when SQLite could prepare
// the statement it was given but not the rewritten one.
void PruebaDialecto(const uint8_t* datos, size_t tamano);
