#include "gateway/ParametrosConsulta.h"

namespace corvanta {

void ParametrosConsulta::setTipo(const QString& tipo) {
    mTipo = tipo;
}

QString ParametrosConsulta::Tipo() const {
    return mTipo;
}

} // namespace corvanta
