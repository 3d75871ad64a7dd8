#include "forms/PunteroRaton.h"

#include <QCursor>
#include <QGuiApplication>

namespace corvanta {

namespace {
int gActual = 0;
} // namespace

void PunteroRaton::Fija(int puntero) {
    if (puntero == gActual)
        return;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (gActual != 0)
            QGuiApplication::restoreOverrideCursor();
        if (puntero == 11)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else if (puntero != 0)
            QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    }
    gActual = puntero;
}

int PunteroRaton::Actual() {
    return gActual;
}

} // namespace corvanta
