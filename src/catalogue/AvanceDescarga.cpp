#include "catalogue/frmKD562.h"
#include "data/Avance.h"

using namespace corvanta;

namespace kd562 {

// A download run from the window shows its progress in a window of its own, which is then
// the only one that takes input: nothing else can start while the download runs.
void frmKD562::AbreAvance(bool bCancelable) {
    if (sOrigen != QStringLiteral("ventana"))
        return;
    oAvance = DialogoAvance::Sobre(hWnd(), QStringLiteral("Configurar servicios"));
    if (oAvance)
        oAvance->PermiteCancelar(bCancelable);
}

void frmKD562::InformaAvance(int fase, qint64 hecho, qint64 total) {
    if (oAvance)
        oAvance->Informa(TextoAvance(fase, hecho, total), hecho, total);
    if (QObject* padre = Padre())
        QMetaObject::invokeMethod(padre, "MuestraAvance", Qt::DirectConnection, Q_ARG(int, fase),
                                  Q_ARG(qint64, hecho), Q_ARG(qint64, total));
}

} // namespace kd562
