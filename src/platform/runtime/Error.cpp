#include "runtime/Error.h"

namespace corvanta {

Error::Error(QString descripcion)
    : mDescripcion(std::move(descripcion)), mUtf8(mDescripcion.toStdString()) {}

} // namespace corvanta

namespace corvanta {

QString DescripcionDe(const std::exception& e) {
    if (const auto* error = dynamic_cast<const Error*>(&e))
        return error->Descripcion();
    return QString::fromLocal8Bit(e.what());
}

} // namespace corvanta
