#include "forms/PunteroRaton.h"

#include <QCursor>
#include <QGuiApplication>

namespace corvanta {

namespace {
int gActual = PunteroNormal;
} // namespace

void PunteroRaton::Fija(int puntero) {
    if (puntero == gActual)
        return;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (gActual != PunteroNormal)
            QGuiApplication::restoreOverrideCursor();
        if (puntero == PunteroReloj)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else if (puntero != PunteroNormal)
            QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    }
    gActual = puntero;
}

int PunteroRaton::Actual() {
    return gActual;
}

} // namespace corvanta
