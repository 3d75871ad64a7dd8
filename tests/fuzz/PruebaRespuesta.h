#pragma once

#include <cstddef>
#include <cstdint>

// Reads bytes as a gateway reply and writes every service of it as the download writes its
// rows, into an in-memory catalogue. Aborts when a write stores anything but exactly the one
// row it was given, with its texts as they came.
void PruebaRespuesta(const uint8_t* datos, size_t tamano);
