#pragma once

#include "gateway/ParametrosConsulta.h"
#include "gateway/Respuesta.h"

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <functional>

namespace corvanta {

// Sets up the network library once per process. A program's main calls it before it starts
// other threads; ConsultaProductos calls it too, for programs that did not.
void IniciaRed();

// Client of the gateway web service: one blocking catalogue query per call.
class ClienteServicio {
public:
    static constexpr long kConexionMsPorOmision = 10'000;
    static constexpr long kTotalMsPorOmision = 60'000;
    static constexpr qint64 kMaximoRespuesta = qint64(32) * 1024 * 1024;

    ClienteServicio();

    // Why the last ConsultaProductos returned false; empty after a success.
    QString UltimoError() const { return mUltimoError; }
    // SHA-256 (hex) of the reply body the last successful ConsultaProductos parsed.
    QString HuellaRespuesta() const { return mHuellaRespuesta; }
    // Whether the last failure may pass by itself (the server unreachable or slow, the link
    // cut, HTTP 429, 502, 503 or 504), so that another try later may succeed; and the wait
    // the server asked for with Retry-After, in seconds (-1: none).
    bool FallaTransitoria() const { return mFallaTransitoria; }
    int ReintentarEnS() const { return mReintentarEnS; }
    // Told the bytes of the reply received so far, as they arrive.
    void setAvance(std::function<void(qint64 bytes)> avance) { mAvance = std::move(avance); }
    // A flag that, once set (from any thread), stops the query within a second; the query
    // then fails and Cancelada says so.
    void setCancelacion(const std::atomic<bool>* cancelacion) { mCancelacion = cancelacion; }
    bool Cancelada() const { return mCancelada; }

    void setURL(const QString& url);
    void setServicio(const QString& servicio);
    void setUsuario(const QString& usuario);
    void setPassword(const QString& password);
    void setLimitesMs(long conexionMs, long totalMs);
    // The limits every client created afterwards starts with, so a test can shorten those of
    // a client that a screen creates for itself.
    static void setLimitesPorOmisionMs(long conexionMs, long totalMs);

    QString URL() const { return mURL; }
    QString Servicio() const { return mServicio; }
    QString Usuario() const { return mUsuario; }

    // Sends the query and waits for the whole reply. True: respuesta holds the reply's
    // top-level object. False: respuesta is left as it was and UltimoError says why.
    bool ConsultaProductos(ParametrosConsulta& parametros, Respuesta& respuesta);

private:
    bool Falla(const QString& motivo, bool transitoria = false);

    QString mURL;
    QString mServicio;
    QString mUsuario;
    QString mPassword;
    QString mUltimoError;
    QString mHuellaRespuesta;
    bool mFallaTransitoria = false;
    int mReintentarEnS = -1;
    std::function<void(qint64)> mAvance;
    const std::atomic<bool>* mCancelacion = nullptr;
    bool mCancelada = false;
    long mConexionMs;
    long mTotalMs;
};

} // namespace corvanta
