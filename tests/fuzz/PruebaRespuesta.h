#pragma once

#include <cstddef>
#include <cstdint>

// Reads bytes as a gateway reply and writes every service of it with the screen's INSERT
// into an in-memory catalogue. Aborts when a statement stores anything but exactly the one
// row it was built for, with its texts as they came.
void PruebaRespuesta(const uint8_t* datos, size_t tamano);
