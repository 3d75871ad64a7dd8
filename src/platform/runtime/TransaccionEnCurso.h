#pragma once

#include "runtime/Connection.h"

namespace corvanta {

// One transaction on a connection: begun when made, rolled back when it ends without
// Confirma, so no way out leaves it open. A caller about to show a message calls Deshace
// first: a message box must not wait with the rows locked.
class TransaccionEnCurso {
public:
    explicit TransaccionEnCurso(Connection& cnn,
                                Connection::Acceso acceso = Connection::Acceso::Escritura);
    ~TransaccionEnCurso();
    TransaccionEnCurso(const TransaccionEnCurso&) = delete;
    TransaccionEnCurso& operator=(const TransaccionEnCurso&) = delete;

    void Confirma();
    // Rolls back now; a failure of the rollback itself is raised.
    void Deshace();

private:
    Connection& mCnn;
    bool mAbierta = false;
};

} // namespace corvanta
