#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "controls/Teclas.h"
#include "runtime/Error.h"

using namespace corvanta;

namespace kd562 {

// Sorts by the clicked column, turning the direction round on every click.
void frmKD562::lvRegistros_ColumnClick(int columna) {
    lvRegistros->setSortKey(columna - 1);
    lvRegistros->setSorted(true);
    lvRegistros->setSortOrder(lvRegistros->SortOrder() == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                             : Qt::AscendingOrder);
}

// F5 reloads from anywhere on the screen, once: the form sees it first and keeps it.
void frmKD562::Form_KeyUp(int& KeyCode, int /*Shift*/) {
    if (KeyCode != TeclaF5)
        return;
    KeyCode = 0;
    CargaDatos();
    InformaHistorial();
}

void frmKD562::lvRegistros_KeyUp(int KeyCode, int Shift) {
    if (Shift == ShiftControl) {
        if (KeyCode == TeclaC)
            gFunciones->CopiaLista(*lvRegistros);
        else if (KeyCode == TeclaE)
            Selecciona_LV(lvRegistros, 0);
        return;
    }
    if (Shift == (ShiftControl | ShiftMayusculas) && KeyCode == TeclaE)
        Selecciona_LV(lvRegistros, 1);
}

// Shows the note of a row marked as error (red) or information (green).
void frmKD562::lvRegistros_DblClick() {
    const int seleccionado = lvRegistros->SelectedItem();
    if (seleccionado == 0)
        return;
    QTreeWidgetItem* elemento = lvRegistros->ListItem(seleccionado);
    const int ultima = lvRegistros->ColumnCount() - 1;
    if (lvRegistros->SmallIcon(seleccionado) == MarcaError)
        gConexion->Mensaje(elemento->text(ultima), Critico, QStringLiteral("Corvanta"), hWnd(),
                           Modulo, QStringLiteral("ERR-ID:7500006"));
    // The list may have been reloaded while the message was open.
    if (lvRegistros && lvRegistros->indexOfTopLevelItem(elemento) >= 0 &&
        lvRegistros->SmallIcon(lvRegistros->indexOfTopLevelItem(elemento) + 1) == MarcaInformacion)
        gConexion->Mensaje(elemento->text(ultima), Informacion, QStringLiteral("Corvanta"), hWnd(),
                           Modulo, QStringLiteral("ERR-ID:7500007"));
}

void frmKD562::Selecciona_LV(ListView* LV, int iModoSeleccion) {
    if (!LV)
        throw Error(QStringLiteral("Variable de objeto o bloque With no establecido"));
    if (!LV->Checkboxes())
        return;
    if (iModoSeleccion < 0 || iModoSeleccion > 2)
        return;
    const int cuenta = LV->ListItemsCount();
    for (int i = 1; i <= cuenta; ++i) {
        switch (iModoSeleccion) {
        case 0:
            LV->setChecked(i, !LV->Checked(i));
            break;
        case 1:
            LV->setChecked(i, false);
            break;
        case 2:
            LV->setChecked(i, true);
            break;
        }
    }
}

} // namespace kd562
