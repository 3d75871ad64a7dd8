// libFuzzer entry: see PruebaDialecto.
#include "PruebaDialecto.h"

#include <QCoreApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The database drivers are plugins: they need the application object.
    static QCoreApplication aplicacion(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tamano) {
    PruebaDialecto(datos, tamano);
    return 0;
}
