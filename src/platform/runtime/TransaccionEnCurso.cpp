#include "runtime/TransaccionEnCurso.h"

#include "runtime/Connection.h"

namespace corvanta {

TransaccionEnCurso::TransaccionEnCurso(Connection& cnn, Connection::Acceso acceso) : mCnn(cnn) {
    mCnn.BeginTrans(acceso);
    mAbierta = true;
}

TransaccionEnCurso::~TransaccionEnCurso() {
    if (!mAbierta || !mCnn.EnTransaccion())
        return;
    try {
        mCnn.RollbackTrans();
    } catch (...) {
        // The engine already ended the transaction; the caller is reporting the cause.
    }
}

void TransaccionEnCurso::Confirma() {
    // A commit that fails may leave the transaction open: then the destructor ends it.
    mCnn.CommitTrans();
    mAbierta = false;
}

void TransaccionEnCurso::Deshace() {
    mAbierta = false;
    if (mCnn.EnTransaccion())
        mCnn.RollbackTrans();
}

} // namespace corvanta
