#pragma once

#include "forms/PantallaSuite.h"

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QString>

namespace kd562host {

// The host's container for one screen: it hands the screen a fresh transaction text at
// each opening and shows the key the screen answers with in its status line. Closing it
// unloads the screen, whose instance lives on.
class Anfitrion : public QMainWindow {
    Q_OBJECT
    Q_PROPERTY(QString Transaccion READ Transaccion)
public:
    explicit Anfitrion(QWidget* parent = nullptr);

    // Sets Padre, loads and shows the screen inside, then reads its Transaccion.
    void Abre(corvanta::PantallaSuite* pantalla);
    QString Transaccion() const { return mTransaccion; }
    QString Estado() const { return mEstado; }
    // What the screen's last download or undo changed, for the command line.
    Q_INVOKABLE void MuestraResumen(const QStringList& lineas);
    // A line from the screen outside its message boxes: on standard error.
    Q_INVOKABLE void MuestraAviso(const QString& texto);
    // How far a long download is (a phase of kd562::FaseAvance): one line that updates itself
    // on a terminal's standard error, at most ten times a second but at every new phase;
    // nothing elsewhere.
    Q_INVOKABLE void MuestraAvance(int fase, qint64 hecho, qint64 total);
    // The history's word on the last download, read again after every load of the list:
    // its date and operator (or the undo's), its summary in the tooltip, and in a red field
    // an attempt that failed since. A history it cannot read says so there, quietly.
    Q_INVOKABLE void MuestraHistorial();
    QStringList Resumen() const { return mResumen; }
    // Quiet: no progress line.
    void setSilencio(bool silencio) { mSilencio = silencio; }
    corvanta::PantallaSuite* Pantalla() const { return mPantalla.data(); }

protected:
    void closeEvent(QCloseEvent* evento) override;

private:
    QPointer<corvanta::PantallaSuite> mPantalla;
    QString mTransaccion;
    QString mEstado;
    QStringList mResumen;
    QLabel* mLineaEstado = nullptr;
    QLabel* mUltimaDescarga = nullptr;
    QLabel* mFalloDescarga = nullptr;
    qint64 mUltimoAvanceMs = 0;
    int mUltimaFase = -1;
    bool mSilencio = false;
};

} // namespace kd562host
