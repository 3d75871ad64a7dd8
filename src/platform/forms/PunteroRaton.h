#pragma once

namespace corvanta {

// The application-wide mouse pointer: 0 default, 11 hourglass.
class PunteroRaton {
public:
    static void Fija(int puntero);
    static int Actual();
};

} // namespace corvanta
