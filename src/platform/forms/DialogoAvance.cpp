#include "forms/DialogoAvance.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <thread>

namespace corvanta {

DialogoAvance::DialogoAvance(QWidget* dueno, const QString& titulo) : QDialog(dueno) {
    setObjectName(QStringLiteral("DialogoAvance"));
    setWindowTitle(titulo);
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    auto* columna = new QVBoxLayout(this);
    mTexto = new QLabel(this);
    mTexto->setObjectName(QStringLiteral("texto"));
    mTexto->setMinimumWidth(320);
    mBarra = new QProgressBar(this);
    mBarra->setRange(0, 0);
    mTiempo = new QLabel(this);
    mTiempo->setObjectName(QStringLiteral("tiempo"));
    mCancelar = new QPushButton(QStringLiteral("Cancelar"), this);
    mCancelar->setObjectName(QStringLiteral("cancelar"));
    mCancelar->setAutoDefault(false);
    connect(mCancelar, &QPushButton::clicked, this, [this] {
        mCancelado = true;
        mCancelar->setEnabled(false);
        mTexto->setText(QStringLiteral("Cancelando…"));
    });
    columna->addWidget(mTexto);
    columna->addWidget(mBarra);
    columna->addWidget(mTiempo);
    columna->addWidget(mCancelar, 0, Qt::AlignRight);
    mReloj.start();
    show();
    Informa(QString());
}

std::unique_ptr<DialogoAvance> DialogoAvance::Sobre(QWidget* ventana, const QString& titulo) {
    if (!ventana || !ventana->isVisible())
        return nullptr;
    return std::make_unique<DialogoAvance>(ventana, titulo);
}

void DialogoAvance::Informa(const QString& texto, qint64 hecho, qint64 total) {
    if (!mCancelado)
        mTexto->setText(texto);
    // The bar shows a share once there is a total; until then it only shows that work goes on.
    if (total > 0) {
        mBarra->setRange(0, 1000);
        mBarra->setValue(int(std::min<qint64>(hecho, total) * 1000 / total));
    } else {
        mBarra->setRange(0, 0);
    }
    mTiempo->setText(
        QStringLiteral("%1 s").arg(QLocale().toString(mReloj.elapsed() / 1000.0, 'f', 1)));
    // Work on this thread gets here between its batches: paint now, and let the rest wait.
    QCoreApplication::processEvents();
}

void DialogoAvance::PermiteCancelar(bool permitir) {
    mCancelar->setEnabled(permitir && !mCancelado);
}

void DialogoAvance::reject() {
    if (mCancelar->isEnabled())
        mCancelar->click();
}

void DialogoAvance::closeEvent(QCloseEvent* evento) {
    reject();
    evento->ignore();
}

void DialogoAvance::Espera(const std::function<void()>& trabajo, const std::function<void()>& alTic,
                           int intervaloMs) {
    QEventLoop bucle;
    std::atomic<bool> terminado{false};
    std::thread hilo([&] {
        trabajo();
        terminado = true;
        QMetaObject::invokeMethod(&bucle, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer tic;
    QObject::connect(&tic, &QTimer::timeout, alTic);
    tic.start(intervaloMs);
    // An application that quits leaves every loop at once: wait for the work all the same.
    while (!terminado && bucle.exec() == 0 && !terminado) {
    }
    hilo.join();
}

} // namespace corvanta
