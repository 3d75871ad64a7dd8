#include "SimuladorPasarela.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <string>
#include <thread>

namespace simulador {

namespace {

const char* const kTipoJson = "application/json; charset=utf-8";
const char* const kTipoTexto = "text/plain; charset=utf-8";
constexpr size_t kBloque = 64 * 1024;

std::string Json(const QJsonObject& objeto) {
    return QJsonDocument(objeto).toJson(QJsonDocument::Compact).toStdString();
}

// A client that gives up in the middle of a reply must not kill the process with SIGPIPE.
void IgnoraSigpipe() {
    static std::once_flag unaVez;
    std::call_once(unaVez, [] { std::signal(SIGPIPE, SIG_IGN); });
}

QJsonValue Codigo(const QString& codigo, bool comoTexto) {
    bool entero = false;
    const int numero = codigo.toInt(&entero);
    if (entero && !comoTexto) {
        return numero;
    }
    return codigo;
}

QString MensajeDeCodigo(const QString& codigo) {
    if (codigo == QLatin1String("200")) {
        return QStringLiteral("OK");
    }
    if (codigo == QLatin1String("401")) {
        return QStringLiteral("Usuario o contraseña incorrectos");
    }
    return QStringLiteral("El servicio rechazó la consulta (código %1)").arg(codigo);
}

// The real gateway only takes a JSON object carrying the four texts.
bool PeticionValida(const QJsonDocument& documento) {
    if (!documento.isObject()) {
        return false;
    }
    const QJsonObject peticion = documento.object();
    for (const char* clave : {"servicio", "usuario", "password", "tipo"}) {
        if (!peticion.value(QLatin1String(clave)).isString()) {
            return false;
        }
    }
    return true;
}

// A well-formed reply, sent in chunks without a length, so only the client's own cap stops it.
void EnviaRelleno(httplib::Response& respuesta, size_t objetivo) {
    struct Relleno {
        size_t objetivo = 0;
        size_t enviados = 0;
        long filas = 0;
    };
    auto relleno = std::make_shared<Relleno>();
    relleno->objetivo = objetivo;
    respuesta.set_chunked_content_provider(kTipoJson, [relleno](size_t,
                                                                httplib::DataSink& destino) {
        std::string bloque;
        if (relleno->enviados == 0) {
            bloque = R"({"code":200,"message":"OK","result":[)";
        }
        while (bloque.size() < kBloque && relleno->enviados + bloque.size() < relleno->objetivo) {
            if (relleno->filas > 0) {
                bloque += ',';
            }
            ++relleno->filas;
            bloque += R"({"PRODUCTO":"REL)" + std::to_string(relleno->filas) +
                      R"(","DESCRIPCION":"Relleno de prueba","GRUPO":"TAE","MONTO":10,)"
                      R"("OBSERVACION":""})";
        }
        const bool ultimo = relleno->enviados + bloque.size() >= relleno->objetivo;
        if (ultimo) {
            bloque += "]}";
        }
        if (!destino.write(bloque.data(), bloque.size())) {
            return false;
        }
        relleno->enviados += bloque.size();
        if (ultimo) {
            destino.done();
        }
        return true;
    });
}

// One JSON text of many empty objects, built directly: a QJsonArray of them is slow to make.
std::string ObjetosVacios(int cuantos) {
    std::string cuerpo = R"({"code":200,"message":"OK","result":[)";
    cuerpo.reserve(cuerpo.size() + size_t(cuantos) * 3 + 2);
    for (int i = 0; i < cuantos; ++i) {
        cuerpo += i == 0 ? "{}" : ",{}";
    }
    cuerpo += "]}";
    return cuerpo;
}

std::string RespuestaAceptada(const Configuracion& c) {
    return Json({{QStringLiteral("code"), Codigo(QStringLiteral("200"), c.codigoComoTexto)},
                 {QStringLiteral("message"), QStringLiteral("OK")},
                 {QStringLiteral("result"), c.catalogo}});
}

bool EnviaTodo(int conexion, const char* datos, size_t bytes) {
    while (bytes > 0) {
        const ssize_t enviados = ::send(conexion, datos, bytes, MSG_NOSIGNAL);
        if (enviados <= 0) {
            return false;
        }
        datos += enviados;
        bytes -= size_t(enviados);
    }
    return true;
}

// Reads one request's headers and body from a plain socket; empty when the client gives up.
std::string LeePeticion(int conexion) {
    std::string leido;
    size_t finCabeceras = std::string::npos;
    size_t esperado = 0;
    char bloque[4096];
    while (leido.size() < (1u << 20)) {
        if (finCabeceras != std::string::npos && leido.size() >= esperado) {
            return leido.substr(finCabeceras + 4, esperado - finCabeceras - 4);
        }
        pollfd espera{conexion, POLLIN, 0};
        if (::poll(&espera, 1, 5000) <= 0) {
            break;
        }
        const ssize_t recibidos = ::recv(conexion, bloque, sizeof bloque, 0);
        if (recibidos <= 0) {
            break;
        }
        leido.append(bloque, size_t(recibidos));
        if (finCabeceras == std::string::npos) {
            finCabeceras = leido.find("\r\n\r\n");
            if (finCabeceras != std::string::npos) {
                // Up to the end of the last header line, so every header ends in CRLF.
                const QByteArray cabeceras =
                    QByteArray::fromStdString(leido.substr(0, finCabeceras + 2)).toLower();
                const QByteArray clave = "\r\ncontent-length:";
                const qsizetype inicio = cabeceras.indexOf(clave);
                size_t cuerpo = 0;
                if (inicio >= 0) {
                    const qsizetype desde = inicio + clave.size();
                    cuerpo = size_t(cabeceras.mid(desde, cabeceras.indexOf("\r\n", desde) - desde)
                                        .trimmed()
                                        .toULongLong());
                }
                esperado = finCabeceras + 4 + cuerpo;
            }
        }
    }
    return {};
}

} // namespace

bool Configuracion::CargaCatalogo(const QString& ruta, QJsonArray& catalogo, QString& error) {
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("No se pudo abrir el catálogo «%1»: %2")
                    .arg(ruta, archivo.errorString());
        return false;
    }
    QJsonParseError analisis;
    const QJsonDocument documento = QJsonDocument::fromJson(archivo.readAll(), &analisis);
    if (analisis.error != QJsonParseError::NoError) {
        error = QStringLiteral("El catálogo «%1» no es JSON válido (posición %2).")
                    .arg(ruta)
                    .arg(analisis.offset);
        return false;
    }
    if (!documento.isArray()) {
        error = QStringLiteral("El catálogo «%1» debe ser una lista JSON de servicios.").arg(ruta);
        return false;
    }
    const QJsonArray servicios = documento.array();
    for (qsizetype i = 0; i < servicios.size(); ++i) {
        if (!servicios.at(i).isObject()) {
            error = QStringLiteral("El elemento %1 del catálogo «%2» no es un objeto.")
                        .arg(i + 1)
                        .arg(ruta);
            return false;
        }
    }
    catalogo = servicios;
    return true;
}

struct SimuladorPasarela::Estado {
    Configuracion configuracion;
    httplib::Server servidor;
    std::thread hilo;
    std::atomic<bool> terminado{false};
    quint16 puerto = 0;

    // The plain listening socket of the modes that break the connection.
    int escucha = -1;

    mutable std::mutex mutex;
    std::condition_variable despertar;
    bool deteniendo = false;
    QByteArray ultima;
    int peticiones = 0;

    void Atiende(const httplib::Request& peticion, httplib::Response& respuesta);
    bool IniciaCorte(quint16 puerto);
    void AtiendeCorte(int conexion);
};

bool SimuladorPasarela::Estado::IniciaCorte(quint16 numero) {
    escucha = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (escucha < 0) {
        return false;
    }
    const int si = 1;
    ::setsockopt(escucha, SOL_SOCKET, SO_REUSEADDR, &si, sizeof si);
    sockaddr_in direccion{};
    direccion.sin_family = AF_INET;
    direccion.sin_port = htons(numero);
    direccion.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t largo = sizeof direccion;
    if (::bind(escucha, reinterpret_cast<sockaddr*>(&direccion), sizeof direccion) != 0 ||
        ::listen(escucha, 8) != 0 ||
        ::getsockname(escucha, reinterpret_cast<sockaddr*>(&direccion), &largo) != 0) {
        ::close(escucha);
        escucha = -1;
        return false;
    }
    puerto = ntohs(direccion.sin_port);
    hilo = std::thread([this] {
        for (;;) {
            {
                std::lock_guard cerrojo(mutex);
                if (deteniendo) {
                    break;
                }
            }
            pollfd espera{escucha, POLLIN, 0};
            if (::poll(&espera, 1, 50) <= 0) {
                continue;
            }
            const int conexion = ::accept4(escucha, nullptr, nullptr, SOCK_CLOEXEC);
            if (conexion >= 0) {
                AtiendeCorte(conexion);
            }
        }
        terminado = true;
    });
    return true;
}

void SimuladorPasarela::Estado::AtiendeCorte(int conexion) {
    const std::string peticion = LeePeticion(conexion);
    {
        std::lock_guard cerrojo(mutex);
        ultima = QByteArray::fromStdString(peticion);
        ++peticiones;
    }
    const std::string cuerpo = RespuestaAceptada(configuracion);
    const std::string cabeceras = "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(kTipoJson) +
                                  "\r\nContent-Length: " + std::to_string(cuerpo.size()) +
                                  "\r\nConnection: close\r\n\r\n";
    if (EnviaTodo(conexion, cabeceras.data(), cabeceras.size()) &&
        EnviaTodo(conexion, cuerpo.data(), cuerpo.size() / 2)) {
        switch (configuracion.corte) {
        case Configuracion::Corte::Reinicio: {
            // Closing with a zero linger time sends a reset instead of the orderly end.
            const linger inmediato{1, 0};
            ::setsockopt(conexion, SOL_SOCKET, SO_LINGER, &inmediato, sizeof inmediato);
            break;
        }
        case Configuracion::Corte::CuerpoCorto:
            ::shutdown(conexion, SHUT_WR);
            break;
        case Configuracion::Corte::Estancado: {
            std::unique_lock cerrojo(mutex);
            despertar.wait(cerrojo, [this] { return deteniendo; });
            break;
        }
        case Configuracion::Corte::Ninguno:
            break;
        }
    }
    ::close(conexion);
}

void SimuladorPasarela::Estado::Atiende(const httplib::Request& peticion,
                                        httplib::Response& respuesta) {
    const Configuracion& c = configuracion;
    bool falla = false;
    {
        std::unique_lock cerrojo(mutex);
        ultima = QByteArray::fromStdString(peticion.body);
        falla = ++peticiones <= c.fallasIniciales;
        if (c.demoraMs > 0) {
            despertar.wait_for(cerrojo, std::chrono::milliseconds(c.demoraMs),
                               [this] { return deteniendo; });
        }
    }
    if (falla) {
        respuesta.status = c.estadoFallas;
        if (c.reintentarEn)
            respuesta.set_header("Retry-After", *c.reintentarEn);
        respuesta.set_content("Servicio no disponible por el momento\n", kTipoTexto);
        return;
    }

    respuesta.status = c.estadoHttp;
    if (!c.redireccion.isEmpty()) {
        if (c.estadoHttp < 300 || c.estadoHttp > 399) {
            respuesta.status = 302;
        }
        respuesta.set_header("Location", c.redireccion.toStdString());
        respuesta.set_content("Movido\n", kTipoTexto);
        return;
    }
    if (c.estadoHttp == 204) {
        return;
    }
    if (c.estadoHttp < 200 || c.estadoHttp > 299) {
        if (!c.basura.isEmpty()) {
            respuesta.set_content(c.basura.toStdString(), "text/html; charset=utf-8");
        } else {
            respuesta.set_content("Error simulado del servidor (estado " +
                                      std::to_string(c.estadoHttp) + ")\n",
                                  kTipoTexto);
        }
        return;
    }
    if (peticion.get_header_value("Content-Type").rfind("application/json", 0) != 0) {
        respuesta.status = 415;
        respuesta.set_content("Se esperaba un cuerpo application/json\n", kTipoTexto);
        return;
    }
    const QJsonDocument documento =
        QJsonDocument::fromJson(QByteArray::fromStdString(peticion.body));
    if (!PeticionValida(documento)) {
        respuesta.status = 400;
        respuesta.set_content(
            Json({{QStringLiteral("code"), QStringLiteral("400")},
                  {QStringLiteral("message"), QStringLiteral("Petición inválida")}}),
            kTipoJson);
        return;
    }
    if (!c.basura.isEmpty()) {
        respuesta.set_content(c.basura.toStdString(), "text/html; charset=utf-8");
        return;
    }
    if (c.excesoMiB > 0) {
        EnviaRelleno(respuesta, size_t(c.excesoMiB) * 1024 * 1024);
        return;
    }
    if (c.objetosVacios > 0) {
        respuesta.set_content(ObjetosVacios(c.objetosVacios), kTipoJson);
        return;
    }
    const QJsonObject recibida = documento.object();
    if (!c.usuario.isEmpty() && !c.password.isEmpty() &&
        (recibida.value(QLatin1String("usuario")).toString() != c.usuario ||
         recibida.value(QLatin1String("password")).toString() != c.password)) {
        const QString codigo = QStringLiteral("401");
        respuesta.set_content(Json({{QStringLiteral("code"), codigo},
                                    {QStringLiteral("message"), MensajeDeCodigo(codigo)}}),
                              kTipoJson);
        return;
    }
    if (!c.codigo.isEmpty()) {
        respuesta.set_content(Json({{QStringLiteral("code"), Codigo(c.codigo, c.codigoComoTexto)},
                                    {QStringLiteral("message"), MensajeDeCodigo(c.codigo)},
                                    {QStringLiteral("result"), QJsonArray()}}),
                              kTipoJson);
        return;
    }
    respuesta.set_content(RespuestaAceptada(c), kTipoJson);
}

SimuladorPasarela::SimuladorPasarela(Configuracion configuracion) : d(std::make_unique<Estado>()) {
    d->configuracion = std::move(configuracion);
    // One request per connection: nothing lingers in keep-alive when the simulator stops.
    d->servidor.set_keep_alive_max_count(1);
    d->servidor.Post(".*",
                     [e = d.get()](const httplib::Request& peticion, httplib::Response& respuesta) {
                         e->Atiende(peticion, respuesta);
                     });
}

SimuladorPasarela::~SimuladorPasarela() {
    Detiene();
}

quint16 SimuladorPasarela::Inicia(quint16 puerto) {
    if (d->hilo.joinable()) {
        return d->puerto;
    }
    IgnoraSigpipe();
    if (d->configuracion.corte != Configuracion::Corte::Ninguno) {
        return d->IniciaCorte(puerto) ? d->puerto : 0;
    }
    int enlazado = -1;
    if (puerto == 0) {
        enlazado = d->servidor.bind_to_any_port("127.0.0.1");
    } else if (d->servidor.bind_to_port("127.0.0.1", puerto)) {
        enlazado = puerto;
    }
    if (enlazado <= 0) {
        return 0;
    }
    d->puerto = quint16(enlazado);
    d->hilo = std::thread([e = d.get()] {
        e->servidor.listen_after_bind();
        e->terminado = true;
    });
    // stop() does nothing until the accept loop runs, so wait for it before handing out the port.
    while (!d->servidor.is_running() && !d->terminado) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return d->terminado ? 0 : d->puerto;
}

void SimuladorPasarela::Detiene() {
    {
        std::lock_guard cerrojo(d->mutex);
        d->deteniendo = true;
    }
    d->despertar.notify_all();
    if (d->hilo.joinable()) {
        d->servidor.stop();
        d->hilo.join();
    }
    if (d->escucha >= 0) {
        ::close(d->escucha);
        d->escucha = -1;
    }
}

quint16 SimuladorPasarela::Puerto() const {
    return d->puerto;
}

QString SimuladorPasarela::URL() const {
    return QStringLiteral("http://127.0.0.1:%1/wsService").arg(d->puerto);
}

QByteArray SimuladorPasarela::UltimaPeticion() const {
    std::lock_guard cerrojo(d->mutex);
    return d->ultima;
}

int SimuladorPasarela::Peticiones() const {
    std::lock_guard cerrojo(d->mutex);
    return d->peticiones;
}

} // namespace simulador
