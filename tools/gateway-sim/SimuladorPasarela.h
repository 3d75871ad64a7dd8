#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>
#include <string>

namespace simulador {

// What the simulated gateway answers. The defaults give an accepted reply with the catalogue.
struct Configuracion {
    QJsonArray catalogo;
    // When both are set, any other credentials get code "401".
    QString usuario;
    QString password;
    // Not empty: answer this code and a message with an empty result. An integer goes out
    // as a number unless codigoComoTexto.
    QString codigo;
    // The code of an accepted reply (and of codigo) as text, e.g. "200", instead of a number.
    bool codigoComoTexto = false;
    // Outside 2xx: that status with a short text body (basura instead, when set); 204: no
    // body at all.
    int estadoHttp = 200;
    // Wait this long before answering (cut short when the simulator stops).
    int demoraMs = 0;
    // Not empty: sent as the body instead of the JSON reply.
    QByteArray basura;
    // Greater than 0: a chunked, well-formed JSON reply of about that many MiB.
    int excesoMiB = 0;
    // Not empty: a redirect to this address, with estadoHttp when it is 3xx, otherwise 302.
    QString redireccion;
    // Greater than 0: an accepted reply whose result holds that many empty objects.
    int objetosVacios = 0;
    // How an accepted reply breaks after its headers and the first half of its body. These
    // modes are served over a plain socket, so the break is a real one on the wire.
    enum class Corte {
        Ninguno,
        Reinicio,    // the connection is reset
        CuerpoCorto, // the connection is closed short of the Content-Length
        Estancado,   // nothing more is sent until the simulator stops
    };
    Corte corte = Corte::Ninguno;
    // The first fallasIniciales requests get estadoFallas (with a Retry-After header of this
    // text, when given) instead of the answer above: a gateway briefly down.
    int fallasIniciales = 0;
    int estadoFallas = 503;
    std::optional<std::string> reintentarEn;

    // Reads a JSON array of services; false with a Spanish reason for a bad file.
    static bool CargaCatalogo(const QString& ruta, QJsonArray& catalogo, QString& error);
};

// A gateway web service on 127.0.0.1 for tests and demonstrations.
class SimuladorPasarela {
public:
    using Configuracion = simulador::Configuracion;

    explicit SimuladorPasarela(Configuracion configuracion = Configuracion());
    ~SimuladorPasarela();
    SimuladorPasarela(const SimuladorPasarela&) = delete;
    SimuladorPasarela& operator=(const SimuladorPasarela&) = delete;

    // Binds 127.0.0.1 only (0 = an ephemeral port) and serves on its own thread.
    // Returns the port, or 0 when it cannot listen.
    quint16 Inicia(quint16 puerto = 0);
    void Detiene();

    quint16 Puerto() const;
    // http://127.0.0.1:<port>/wsService
    QString URL() const;
    // Body of the last request received.
    QByteArray UltimaPeticion() const;
    int Peticiones() const;

private:
    struct Estado;
    std::unique_ptr<Estado> d;
};

} // namespace simulador
