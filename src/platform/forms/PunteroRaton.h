#pragma once

namespace corvanta {

// The shapes the suite's screens use.
enum FormaPuntero { PunteroNormal = 0, PunteroReloj = 11 };

// The application-wide mouse pointer.
class PunteroRaton {
public:
    static void Fija(int puntero);
    static int Actual();
};

} // namespace corvanta
