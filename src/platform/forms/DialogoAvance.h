#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace corvanta {

// The suite's window for work that keeps the user waiting: what is being done, how far, how
// long it has taken, and one button, "Cancelar". While it shows, it is the only window that
// takes input: Qt drops the input of the windows it blocks rather than queueing it. Esc or
// closing it only cancel, and only while cancelling is allowed.
class DialogoAvance : public QDialog {
    Q_OBJECT
public:
    DialogoAvance(QWidget* dueno, const QString& titulo);
    // One over ventana when ventana shows; none when it is hidden (a command line's screen).
    static std::unique_ptr<DialogoAvance> Sobre(QWidget* ventana, const QString& titulo);

    // Shows texto and, given a total, how far of it the work is; repaints at once.
    void Informa(const QString& texto, qint64 hecho = 0, qint64 total = 0);
    void PermiteCancelar(bool permitir);
    // Set by "Cancelar", read by the work from any thread.
    const std::atomic<bool>& Cancelacion() const { return mCancelado; }

    // Runs trabajo on a thread of its own while this thread keeps the windows alive, calling
    // alTic on this thread every intervaloMs meanwhile; returns once trabajo has returned.
    // trabajo must not touch widgets.
    static void Espera(const std::function<void()>& trabajo, const std::function<void()>& alTic,
                       int intervaloMs = 200);

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* evento) override;

private:
    QLabel* mTexto = nullptr;
    QLabel* mTiempo = nullptr;
    QProgressBar* mBarra = nullptr;
    QPushButton* mCancelar = nullptr;
    QElapsedTimer mReloj;
    std::atomic<bool> mCancelado{false};
};

} // namespace corvanta
