#include "gateway/ClienteServicio.h"

#include <QCryptographicHash>

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

namespace corvanta {

namespace {

struct Recepcion {
    QByteArray cuerpo;
    bool excedida = false;
    const std::function<void(qint64)>* avance = nullptr;
};

// CURLOPT_MAXFILESIZE_LARGE does not stop a chunked reply, so the cap is enforced here.
size_t Recibe(char* datos, size_t tamano, size_t cuantos, void* destino) {
    auto* recepcion = static_cast<Recepcion*>(destino);
    const size_t bytes = tamano * cuantos;
    if (qint64(recepcion->cuerpo.size()) + qint64(bytes) > ClienteServicio::kMaximoRespuesta) {
        recepcion->excedida = true;
        return 0;
    }
    recepcion->cuerpo.append(datos, qsizetype(bytes));
    if (recepcion->avance && *recepcion->avance)
        (*recepcion->avance)(recepcion->cuerpo.size());
    return bytes;
}

// Called by libcurl about once a second and whenever data moves: a non-zero answer aborts.
int Interrumpe(void* cancelacion, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* bandera = static_cast<const std::atomic<bool>*>(cancelacion);
    return bandera && bandera->load() ? 1 : 0;
}

struct LiberaCurl {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

struct LiberaLista {
    void operator()(curl_slist* lista) const { curl_slist_free_all(lista); }
};

std::atomic<long> gConexionMs{ClienteServicio::kConexionMsPorOmision};
std::atomic<long> gTotalMs{ClienteServicio::kTotalMsPorOmision};

QString Segundos(long ms) {
    return QString::number(double(ms) / 1000.0, 'g', 6);
}

} // namespace

void IniciaRed() {
    static std::once_flag unaVez;
    std::call_once(unaVez, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

ClienteServicio::ClienteServicio() : mConexionMs(gConexionMs), mTotalMs(gTotalMs) {}

void ClienteServicio::setLimitesPorOmisionMs(long conexionMs, long totalMs) {
    gConexionMs = conexionMs;
    gTotalMs = totalMs;
}

void ClienteServicio::setURL(const QString& url) {
    mURL = url;
}

void ClienteServicio::setServicio(const QString& servicio) {
    mServicio = servicio;
}

void ClienteServicio::setUsuario(const QString& usuario) {
    mUsuario = usuario;
}

void ClienteServicio::setPassword(const QString& password) {
    mPassword = password;
}

void ClienteServicio::setLimitesMs(long conexionMs, long totalMs) {
    mConexionMs = conexionMs;
    mTotalMs = totalMs;
}

bool ClienteServicio::Falla(const QString& motivo, bool transitoria) {
    mFallaTransitoria = transitoria;
    mUltimoError = motivo;
    // The texts never carry the password; this only guards against a host name or a
    // similar value that happens to contain it. Very short passwords would garble any text.
    if (mPassword.size() >= 4) {
        mUltimoError.replace(mPassword, QStringLiteral("****"));
    }
    return false;
}

bool ClienteServicio::ConsultaProductos(ParametrosConsulta& parametros, Respuesta& respuesta) {
    mUltimoError.clear();
    mHuellaRespuesta.clear();
    mFallaTransitoria = false;
    mReintentarEnS = -1;
    mCancelada = false;
    IniciaRed();

    const QString texto = mURL.trimmed();
    if (texto.isEmpty()) {
        return Falla(QStringLiteral("No se ha configurado la URL del servicio."));
    }
    const QUrl url(texto, QUrl::StrictMode);
    const QString esquema = url.scheme().toLower();
    if (!url.isValid() || esquema.isEmpty()) {
        return Falla(QStringLiteral("La URL del servicio no es válida: debe comenzar con http:// "
                                    "o https://."));
    }
    if (esquema != QLatin1String("http") && esquema != QLatin1String("https")) {
        return Falla(QStringLiteral("La URL del servicio debe usar http o https; el esquema «%1» "
                                    "no está permitido.")
                         .arg(esquema));
    }
    if (url.host().isEmpty()) {
        return Falla(
            QStringLiteral("La URL del servicio no es válida: falta el nombre del servidor."));
    }
    // Only host and port are ever shown: the URL may carry user-info.
    const QString servidor = QStringLiteral("%1:%2")
                                 .arg(url.host())
                                 .arg(url.port(esquema == QLatin1String("https") ? 443 : 80));

    const QJsonObject peticion{{QStringLiteral("servicio"), mServicio},
                               {QStringLiteral("usuario"), mUsuario},
                               {QStringLiteral("password"), mPassword},
                               {QStringLiteral("tipo"), parametros.Tipo()}};
    const QByteArray cuerpo = QJsonDocument(peticion).toJson(QJsonDocument::Compact);
    const QByteArray destino = url.toEncoded();

    std::unique_ptr<CURL, LiberaCurl> curl(curl_easy_init());
    curl_slist* lista = nullptr;
    for (const char* cabecera :
         {"Content-Type: application/json; charset=utf-8", "Accept: application/json", "Expect:"}) {
        curl_slist* ampliada = curl_slist_append(lista, cabecera);
        if (ampliada == nullptr) {
            curl_slist_free_all(lista);
            lista = nullptr;
            break;
        }
        lista = ampliada;
    }
    const std::unique_ptr<curl_slist, LiberaLista> cabeceras(lista);
    if (!curl || !cabeceras) {
        return Falla(QStringLiteral("No se pudo preparar la conexión con el servicio."));
    }

    Recepcion recepcion;
    recepcion.avance = &mAvance;
    CURL* c = curl.get();
    CURLcode preparado = CURLE_OK;
    const auto fija = [&preparado](CURLcode resultado) {
        if (preparado == CURLE_OK) {
            preparado = resultado;
        }
    };
    fija(curl_easy_setopt(c, CURLOPT_URL, destino.constData()));
    fija(curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https"));
    fija(curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
    fija(curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L));
    fija(curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, mConexionMs));
    fija(curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, mTotalMs));
    fija(curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L));
    fija(curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L));
    fija(curl_easy_setopt(c, CURLOPT_POST, 1L));
    fija(curl_easy_setopt(c, CURLOPT_POSTFIELDS, cuerpo.constData()));
    fija(curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(cuerpo.size())));
    fija(curl_easy_setopt(c, CURLOPT_HTTPHEADER, cabeceras.get()));
    fija(curl_easy_setopt(c, CURLOPT_USERAGENT, "Corvanta-KD562/1.0"));
    fija(curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(kMaximoRespuesta)));
    fija(curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Recibe));
    fija(curl_easy_setopt(c, CURLOPT_WRITEDATA, &recepcion));
    if (mCancelacion) {
        fija(curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Interrumpe));
        fija(curl_easy_setopt(c, CURLOPT_XFERINFODATA,
                              const_cast<void*>(static_cast<const void*>(mCancelacion))));
        fija(curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L));
    }
    if (preparado != CURLE_OK) {
        return Falla(QStringLiteral("No se pudo preparar la conexión con el servicio (error de "
                                    "comunicación %1).")
                         .arg(int(preparado)));
    }

    const CURLcode resultado = curl_easy_perform(c);
    if (recepcion.excedida || resultado == CURLE_FILESIZE_EXCEEDED) {
        return Falla(QStringLiteral("La respuesta del servicio supera el tamaño máximo permitido "
                                    "de 32 MiB."));
    }
    switch (resultado) {
    case CURLE_OK:
        break;
    case CURLE_ABORTED_BY_CALLBACK:
        mCancelada = true;
        return Falla(QStringLiteral("Se canceló la consulta a la pasarela; no se guardó nada."));
    case CURLE_UNSUPPORTED_PROTOCOL:
        return Falla(QStringLiteral("La URL del servicio debe usar http o https."));
    case CURLE_URL_MALFORMAT:
        return Falla(QStringLiteral("La URL del servicio no es válida."));
    case CURLE_COULDNT_RESOLVE_HOST:
        return Falla(QStringLiteral("No se encontró el servidor del servicio «%1». Revise la URL "
                                    "configurada.")
                         .arg(url.host()),
                     true);
    case CURLE_COULDNT_CONNECT:
        return Falla(QStringLiteral("No se pudo conectar con el servidor del servicio (%1): la "
                                    "conexión fue rechazada o el servidor no está disponible.")
                         .arg(servidor),
                     true);
    case CURLE_OPERATION_TIMEDOUT: {
        curl_off_t conectado = 0;
        curl_easy_getinfo(c, CURLINFO_CONNECT_TIME_T, &conectado);
        if (conectado == 0) {
            return Falla(QStringLiteral("No se pudo conectar con el servidor del servicio (%1) "
                                        "dentro del tiempo límite de %2 s.")
                             .arg(servidor, Segundos(std::min(mConexionMs, mTotalMs))),
                         true);
        }
        long estado = 0;
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &estado);
        if (estado != 0) {
            return Falla(QStringLiteral("El servicio comenzó a responder pero la respuesta no "
                                        "llegó completa dentro del tiempo límite de %1 s.")
                             .arg(Segundos(mTotalMs)),
                         true);
        }
        return Falla(QStringLiteral("El servicio no respondió dentro del tiempo límite de %1 s.")
                         .arg(Segundos(mTotalMs)),
                     true);
    }
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
        return Falla(QStringLiteral("No se pudo establecer una conexión segura con el servidor del "
                                    "servicio (%1): su certificado no es válido o no se pudo "
                                    "verificar.")
                         .arg(servidor));
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return Falla(QStringLiteral("Se perdió la conexión con el servidor del servicio (%1) antes "
                                    "de recibir la respuesta completa.")
                         .arg(servidor),
                     true);
    default:
        return Falla(QStringLiteral("No se pudo completar la consulta al servicio (%1): error de "
                                    "comunicación %2.")
                         .arg(servidor)
                         .arg(int(resultado)));
    }

    long estado = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &estado);
    const char* redireccion = nullptr;
    curl_easy_getinfo(c, CURLINFO_REDIRECT_URL, &redireccion);
    if (estado >= 300 && estado <= 399 && redireccion != nullptr) {
        // Shown without user-info, query or fragment: they may carry credentials.
        const QString direccion =
            QUrl(QString::fromUtf8(redireccion))
                .toString(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
        return Falla(QStringLiteral("El servidor del servicio respondió con una redirección "
                                    "(estado HTTP %1) a «%2»; las redirecciones no se siguen. "
                                    "Revise la URL configurada.")
                         .arg(estado)
                         .arg(direccion));
    }
    if (estado < 200 || estado > 299) {
        // Too many requests, or a proxy or gateway in front of it briefly down: worth another
        // try, when the server says. libcurl gives 0 for a header that is missing or cannot be
        // read, and a negative wait for a date already past: neither is the server's word.
        curl_off_t espera = -1;
        if (curl_easy_getinfo(c, CURLINFO_RETRY_AFTER, &espera) == CURLE_OK && espera >= 1)
            mReintentarEnS = static_cast<int>(std::min<curl_off_t>(espera, 86'400));
        return Falla(QStringLiteral("El servidor del servicio respondió con el estado HTTP %1; no "
                                    "se pudo obtener el catálogo.")
                         .arg(estado),
                     estado == 429 || estado == 502 || estado == 503 || estado == 504);
    }

    QString motivo;
    if (!Respuesta::Lee(recepcion.cuerpo, respuesta, motivo)) {
        return Falla(motivo);
    }
    mHuellaRespuesta = QString::fromLatin1(
        QCryptographicHash::hash(recepcion.cuerpo, QCryptographicHash::Sha256).toHex());
    return true;
}

} // namespace corvanta
