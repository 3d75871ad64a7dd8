#pragma once

#include "forms/Forma.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace corvanta {

// The host's contract with any screen of the suite: the container object it hands the
// screen, and the transaction key the screen answers with.
class PantallaSuite : public Forma {
    Q_OBJECT
    Q_PROPERTY(QObject* Padre READ Padre WRITE setPadre)
public:
    using Forma::Forma;

    QObject* Padre() const { return mPadre.data(); }
    void setPadre(QObject* valor) { mPadre = valor; }
    // Throws Error when there is no Padre or it has no readable "Transaccion".
    virtual QString Transaccion() = 0;

protected:
    QPointer<QObject> mPadre;
};

} // namespace corvanta
