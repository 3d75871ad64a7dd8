#include "Demora.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in Local(quint16 puerto) {
    sockaddr_in direccion{};
    direccion.sin_family = AF_INET;
    direccion.sin_port = htons(puerto);
    direccion.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return direccion;
}

} // namespace

Demora::Demora(quint16 destino, int microsegundos)
    : mDestino(destino), mMicrosegundos(microsegundos) {
    mEscucha = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in direccion = Local(0);
    ::bind(mEscucha, reinterpret_cast<sockaddr*>(&direccion), sizeof direccion);
    ::listen(mEscucha, 16);
    socklen_t largo = sizeof direccion;
    ::getsockname(mEscucha, reinterpret_cast<sockaddr*>(&direccion), &largo);
    mPuerto = ntohs(direccion.sin_port);
    mAceptador = std::thread([this] { Acepta(); });
}

Demora::~Demora() {
    mParar = true;
    // Once the accept thread is gone nobody else adds sockets or threads.
    ::shutdown(mEscucha, SHUT_RDWR);
    mAceptador.join();
    ::close(mEscucha);
    std::lock_guard candado(mCandado);
    for (int s : mSockets)
        ::shutdown(s, SHUT_RDWR);
    for (std::thread& h : mHilos)
        h.join();
    for (int s : mSockets)
        ::close(s);
}

void Demora::Acepta() {
    while (!mParar) {
        pollfd espera{mEscucha, POLLIN, 0};
        if (::poll(&espera, 1, 100) <= 0)
            continue;
        const int cliente = ::accept(mEscucha, nullptr, nullptr);
        if (cliente < 0)
            continue;
        const int servidor = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in destino = Local(mDestino);
        if (::connect(servidor, reinterpret_cast<sockaddr*>(&destino), sizeof destino) != 0) {
            ::close(cliente);
            ::close(servidor);
            continue;
        }
        const int uno = 1;
        ::setsockopt(cliente, IPPROTO_TCP, TCP_NODELAY, &uno, sizeof uno);
        ::setsockopt(servidor, IPPROTO_TCP, TCP_NODELAY, &uno, sizeof uno);
        std::lock_guard candado(mCandado);
        mSockets.push_back(cliente);
        mSockets.push_back(servidor);
        mHilos.emplace_back([this, cliente, servidor] { Bombea(cliente, servidor); });
        mHilos.emplace_back([this, cliente, servidor] { Bombea(servidor, cliente); });
    }
}

void Demora::Bombea(int desde, int hacia) {
    char bloque[65536];
    while (!mParar) {
        const ssize_t leidos = ::read(desde, bloque, sizeof bloque);
        if (leidos <= 0)
            break;
        std::this_thread::sleep_for(std::chrono::microseconds(mMicrosegundos));
        for (ssize_t enviados = 0; enviados < leidos;) {
            const ssize_t n =
                ::write(hacia, bloque + enviados, static_cast<size_t>(leidos - enviados));
            if (n <= 0)
                return;
            enviados += n;
        }
    }
    ::shutdown(hacia, SHUT_WR);
}
