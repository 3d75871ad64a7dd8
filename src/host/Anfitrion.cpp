#include "host/Anfitrion.h"

#include "data/Avance.h"
#include "data/Historial.h"
#include "host/Salida.h"
#include "runtime/Connection.h"
#include "runtime/Error.h"
#include "runtime/Sesion.h"

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
    if (!mLineaEstado) {
        mLineaEstado = new QLabel(this);
        mLineaEstado->setObjectName(QStringLiteral("estado"));
        statusBar()->addWidget(mLineaEstado, 1);
    }
    mLineaEstado->setText(mEstado);
    if (!mUltimaDescarga) {
        mUltimaDescarga = new QLabel(this);
        mUltimaDescarga->setObjectName(QStringLiteral("ultimaDescarga"));
        statusBar()->addPermanentWidget(mUltimaDescarga);
    }
    MuestraUltimaDescarga();
}

void Anfitrion::MuestraResumen(const QStringList& lineas) {
    mResumen = lineas;
    if (!lineas.isEmpty() && mLineaEstado) {
        mEstado = lineas.first();
        mLineaEstado->setText(mEstado);
        mLineaEstado->setToolTip(lineas.join(QLatin1Char('\n')));
    }
    MuestraUltimaDescarga();
}

void Anfitrion::MuestraAviso(const QString& texto) {
    Aviso(texto, PrioridadAviso);
}

void Anfitrion::MuestraAvance(int fase, qint64 hecho, qint64 total) {
    if (!EnTerminal())
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

QString Anfitrion::UltimaDescarga() const {
    try {
        corvanta::Connection& cnn = corvanta::Sesion::Conexion();
        if (!kd562::ExisteHistorial(cnn))
            return QString();
        const std::optional<kd562::EntradaHistorial> ultima = kd562::UltimaDescarga(cnn);
        return ultima
                   ? QStringLiteral("Última descarga: %1 (%2)").arg(ultima->fecha, ultima->operador)
                   : QString();
    } catch (const std::exception&) {
        return QString();
    }
}

void Anfitrion::MuestraUltimaDescarga() {
    if (mUltimaDescarga)
        mUltimaDescarga->setText(UltimaDescarga());
}

void Anfitrion::closeEvent(QCloseEvent* evento) {
    // The screen's window goes; the screen itself stays for the next opening.
    if (mPantalla && mPantalla->Cargada()) {
        takeCentralWidget();
        mPantalla->Unload();
    }
    evento->accept();
}

} // namespace kd562host
