#pragma once

#include "data/Historial.h"
#include "forms/Forma.h"

#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <optional>

namespace kd562 {

// "Historial de descargas": every entry of the history, newest first; the changes of the one
// selected, field by field, read page by page as the list is scrolled; and the undo of the
// latest download.
class frmHistorial : public corvanta::Forma {
    Q_OBJECT
public:
    static frmHistorial& Instancia();

    // Loads the entries, then shows the dialog modally over `propietario`; returns when it
    // is closed. A history that cannot be read is told in one message, and nothing opens.
    void Mostrar(QWidget* propietario);

    // The changes' lines read per page, each page one finished query.
    static constexpr int kFilasPorPagina = 500;

    QPointer<QTreeWidget> lvEntradas;
    QPointer<QListWidget> lstCambios;
    QPointer<QPushButton> cmdDeshacer;
    QPointer<QPushButton> cmdCerrar;

protected:
    void CreaControles(QWidget* ventana) override;
    void Form_KeyUp(int& KeyCode, int Shift) override;

private:
    frmHistorial();

    void CargaEntradas();
    void MuestraCambios();
    // The next page of the selected entry's changes, when the list nears its end.
    void SiguientePagina();
    void cmdDeshacer_Click();

    std::optional<LectorCambios> mLector;
};

// A change line of the history as the dialog shows it: what it is (service key and amount,
// or product key), then every field that changed with its value before and after, or the
// whole row added or retired.
QString TextoCambio(const QStringList& linea);

} // namespace kd562
