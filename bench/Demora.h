#pragma once

#include <QtGlobal>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

// A TCP proxy on 127.0.0.1 that holds every chunk it forwards, in each direction, for a
// fixed time: a database server a LAN away, measured on one machine.
class Demora {
public:
    Demora(quint16 destino, int microsegundos);
    ~Demora();
    Demora(const Demora&) = delete;
    Demora& operator=(const Demora&) = delete;
    quint16 Puerto() const { return mPuerto; }

private:
    void Acepta();
    void Bombea(int desde, int hacia);

    quint16 mDestino;
    int mMicrosegundos;
    int mEscucha = -1;
    quint16 mPuerto = 0;
    std::atomic<bool> mParar{false};
    std::thread mAceptador;
    // Filled by the accept thread while the destructor may be reading them.
    std::mutex mCandado;
    std::vector<std::thread> mHilos;
    std::vector<int> mSockets;
};
