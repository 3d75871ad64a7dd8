#pragma once

#include <functional>

namespace corvanta {

// Runs an event handler that traps nothing of its own. A failure that escapes it is shown
// as a critical message, as the suite does with untrapped errors, instead of ending the
// application.
void Manejador(const std::function<void()>& accion);

} // namespace corvanta
