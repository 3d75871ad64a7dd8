#pragma once

#include <QString>

namespace corvanta {

// The parameters of one catalogue query to the gateway.
class ParametrosConsulta {
public:
    void setTipo(const QString& tipo);
    QString Tipo() const;

private:
    QString mTipo;
};

} // namespace corvanta
