#pragma once

#include <QString>
#include <exception>
#include <string>

namespace corvanta {

// A failure raised by the suite's libraries; its description is what a procedure's
// trap shows to the user.
class Error : public std::exception {
public:
    explicit Error(QString descripcion);
    const QString& Descripcion() const noexcept { return mDescripcion; }
    const char* what() const noexcept override { return mUtf8.c_str(); }

private:
    QString mDescripcion;
    std::string mUtf8;
};

// A COMMIT was sent and the link died before its reply; the server could not tell, in the
// time allowed, whether the transaction took effect.
class ConfirmacionIncierta : public Error {
public:
    using Error::Error;
};

} // namespace corvanta

namespace corvanta {
// The description a trap shows for any exception.
QString DescripcionDe(const std::exception& e);
} // namespace corvanta
