#include "host/Anfitrion.h"

#include "data/Avance.h"
#include "data/Historial.h"
#include "host/LineaHistorial.h"
#include "host/Salida.h"
#include "runtime/Connection.h"
#include "runtime/Error.h"
#include "runtime/Sesion.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QStatusBar>
#include <QUuid>
#include <cstdio>

namespace kd562host {

Anfitrion::Anfitrion(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Anfitrion"));
    setWindowTitle(QStringLiteral("Corvanta"));
    // Made before the window shows, so that they show with it.
    mLineaEstado = new QLabel(this);
    mLineaEstado->setObjectName(QStringLiteral("estado"));
    statusBar()->addWidget(mLineaEstado, 1);
    mUltimaDescarga = new QLabel(this);
    mUltimaDescarga->setObjectName(QStringLiteral("ultimaDescarga"));
    statusBar()->addPermanentWidget(mUltimaDescarga);
    mFalloDescarga = new QLabel(this);
    mFalloDescarga->setObjectName(QStringLiteral("falloDescarga"));
    mFalloDescarga->setStyleSheet(QStringLiteral("color: #c00000"));
    statusBar()->addPermanentWidget(mFalloDescarga);
}

void Anfitrion::Abre(corvanta::PantallaSuite* pantalla) {
    mPantalla = pantalla;
    mTransaccion = QStringLiteral("TRX-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    pantalla->setPadre(this);
    pantalla->Load();
    QWidget* ventana = pantalla->Ventana();
    setCentralWidget(ventana);
    ventana->show();
    resize(ventana->size());
    setWindowTitle(ventana->windowTitle());
    show();
    try {
        mEstado = QStringLiteral("Transacción: %1").arg(pantalla->Transaccion());
    } catch (const std::exception& e) {
        mEstado = QStringLiteral("Transacción no disponible: %1").arg(corvanta::DescripcionDe(e));
    }
    mLineaEstado->setText(mEstado);
    MuestraHistorial();
}

void Anfitrion::MuestraResumen(const QStringList& lineas) {
    mResumen = lineas;
}

void Anfitrion::MuestraAviso(const QString& texto) {
    Aviso(texto, PrioridadAviso);
}

void Anfitrion::MuestraAvance(int fase, qint64 hecho, qint64 total) {
    if (!EnTerminal() || mSilencio)
        return;
    const qint64 ahora = QDateTime::currentMSecsSinceEpoch();
    if (fase == mUltimaFase && ahora - mUltimoAvanceMs < 100)
        return;
    mUltimoAvanceMs = ahora;
    mUltimaFase = fase;
    std::fputs(
        (QStringLiteral("\r\x1b[K") + kd562::TextoAvance(fase, hecho, total)).toUtf8().constData(),
        stderr);
    std::fflush(stderr);
}

void Anfitrion::MuestraHistorial() {
    LineaHistorial linea;
    try {
        linea = LeeLineaHistorial(corvanta::Sesion::Conexion());
    } catch (const std::exception& e) {
        linea.ultima =
            QStringLiteral("Historial no disponible: %1").arg(corvanta::DescripcionDe(e));
    }
    mUltimaDescarga->setText(linea.ultima);
    mUltimaDescarga->setToolTip(linea.resumen);
    // One short line in the bar; the whole message in its tooltip.
    const QString fallo = linea.fallo.simplified();
    mFalloDescarga->setText(fallo.size() > 60 ? fallo.left(59) + QChar(0x2026) : fallo);
    mFalloDescarga->setToolTip(linea.fallo);
    mFalloDescarga->setVisible(!linea.fallo.isEmpty());
}

void Anfitrion::closeEvent(QCloseEvent* evento) {
    // A window of the screen's own is waiting for the user (a download's progress, a
    // question): the screen is inside a procedure and cannot go until it ends.
    if (QApplication::activeModalWidget()) {
        evento->ignore();
        return;
    }
    // The screen's window goes; the screen itself stays for the next opening.
    if (mPantalla && mPantalla->Cargada()) {
        takeCentralWidget();
        mPantalla->Unload();
    }
    evento->accept();
}

} // namespace kd562host
