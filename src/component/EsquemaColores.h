#pragma once

namespace corvanta {
class ColorQIX;
}

namespace kd562 {

// The colour scheme both of the module's forms hold in their colorQIX.
void FijaEsquemaColores(corvanta::ColorQIX& esquema);

} // namespace kd562
