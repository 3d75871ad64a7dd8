#include "SimuladorPasarela.h"

#include <QFile>
#include <QStringList>

#include <pthread.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iterator>
#include <optional>
#include <utility>

namespace {

constexpr const char* kPrograma = "kd562-gateway-sim";
constexpr const char* kConValor[] = {
    "--port",          "--catalogue",   "--user",        "--password",     "--password-file",
    "--code",          "--http-status", "--delay-ms",    "--oversize-mib", "--redirect",
    "--empty-objects", "--fail-first",  "--fail-status", "--retry-after"};

void Uso() {
    std::fputs(
        "Uso: kd562-gateway-sim [opciones]\n"
        "Simula la pasarela de servicios en 127.0.0.1 hasta recibir SIGINT o SIGTERM.\n"
        "La primera línea de la salida estándar es el puerto en el que escucha.\n\n"
        "  --port N          puerto (0 = uno libre; por omisión 0)\n"
        "  --catalogue FILE  lista JSON de servicios que se devuelve\n"
        "  --user U          usuario aceptado (junto con --password)\n"
        "  --password P      contraseña aceptada (junto con --user)\n"
        "  --password-file F la contraseña, en la primera línea de F (no queda a la vista\n"
        "                    en la lista de procesos)\n"
        "  --code VALUE      responde ese código con un mensaje y sin servicios\n"
        "  --code-as-text    envía el código como texto (\"200\") en vez de número\n"
        "  --http-status N   responde con ese estado HTTP (200-599)\n"
        "  --delay-ms N      espera N milisegundos antes de responder\n"
        "  --garbage         responde un cuerpo que no es JSON (una página HTML; también\n"
        "                    con un estado --http-status de error)\n"
        "  --oversize-mib N  responde por partes un JSON de unos N MiB\n"
        "  --redirect URL    redirige a URL (302, o el estado 3xx de --http-status)\n"
        "  --empty-objects N responde un resultado de N objetos vacíos\n"
        "  --reset-mid-body  corta la conexión con un reinicio a mitad del cuerpo\n"
        "  --short-body      cierra la conexión antes de completar el Content-Length\n"
        "  --stall-body      envía la mitad del cuerpo y no envía nada más\n"
        "  --fail-first K    las primeras K peticiones reciben un error (503, o el\n"
        "                    estado de --fail-status) antes de responder bien\n"
        "  --fail-status N   el estado de esos errores (400-599)\n"
        "  --retry-after T   con esos errores, la cabecera Retry-After: T (segundos o fecha)\n",
        stdout);
}

int ArgumentoInvalido(const QString& motivo) {
    std::fprintf(stderr, "%s: %s\n", kPrograma, motivo.toUtf8().constData());
    return 2;
}

std::optional<int> Entero(const QString& texto, int minimo, int maximo) {
    bool valido = false;
    const int valor = texto.toInt(&valido);
    if (!valido || valor < minimo || valor > maximo) {
        return std::nullopt;
    }
    return valor;
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList argumentos;
    for (int i = 1; i < argc; ++i) {
        argumentos << QString::fromLocal8Bit(argv[i]);
    }

    simulador::Configuracion configuracion;
    int puerto = 0;
    for (qsizetype i = 0; i < argumentos.size(); ++i) {
        const QString opcion = argumentos.at(i);
        if (opcion == QLatin1String("--help") || opcion == QLatin1String("-h")) {
            Uso();
            return 0;
        }
        if (opcion == QLatin1String("--garbage")) {
            configuracion.basura = "<html><body>Servicio no disponible</body></html>\n";
            continue;
        }
        if (opcion == QLatin1String("--code-as-text")) {
            configuracion.codigoComoTexto = true;
            continue;
        }
        using Corte = simulador::Configuracion::Corte;
        const std::pair<const char*, Corte> cortes[] = {{"--reset-mid-body", Corte::Reinicio},
                                                        {"--short-body", Corte::CuerpoCorto},
                                                        {"--stall-body", Corte::Estancado}};
        const auto corte =
            std::find_if(std::begin(cortes), std::end(cortes),
                         [&opcion](const auto& par) { return opcion == QLatin1String(par.first); });
        if (corte != std::end(cortes)) {
            configuracion.corte = corte->second;
            continue;
        }

        const bool conValor =
            std::any_of(std::begin(kConValor), std::end(kConValor),
                        [&opcion](const char* nombre) { return opcion == QLatin1String(nombre); });
        if (!conValor) {
            return ArgumentoInvalido(QStringLiteral("opción desconocida «%1»").arg(opcion));
        }
        if (i + 1 >= argumentos.size()) {
            return ArgumentoInvalido(QStringLiteral("falta el valor de %1").arg(opcion));
        }
        const QString valor = argumentos.at(++i);
        const auto entero = [&](int minimo, int maximo) { return Entero(valor, minimo, maximo); };
        const QString invalido = QStringLiteral("valor no válido para %1: «%2»").arg(opcion, valor);

        if (opcion == QLatin1String("--port")) {
            const auto numero = entero(0, 65535);
            if (!numero) {
                return ArgumentoInvalido(invalido);
            }
            puerto = *numero;
        } else if (opcion == QLatin1String("--catalogue")) {
            QString error;
            if (!simulador::Configuracion::CargaCatalogo(valor, configuracion.catalogo, error)) {
                return ArgumentoInvalido(error);
            }
        } else if (opcion == QLatin1String("--user")) {
            configuracion.usuario = valor;
        } else if (opcion == QLatin1String("--password")) {
            configuracion.password = valor;
        } else if (opcion == QLatin1String("--password-file")) {
            QFile archivo(valor);
            if (!archivo.open(QIODevice::ReadOnly)) {
                return ArgumentoInvalido(
                    QStringLiteral("no se pudo leer la contraseña de «%1»").arg(valor));
            }
            configuracion.password =
                QString::fromUtf8(archivo.readLine()).remove(QLatin1Char('\n'));
            configuracion.password.remove(QLatin1Char('\r'));
        } else if (opcion == QLatin1String("--code")) {
            if (valor.isEmpty()) {
                return ArgumentoInvalido(invalido);
            }
            configuracion.codigo = valor;
        } else if (opcion == QLatin1String("--http-status")) {
            const auto numero = entero(200, 599);
            if (!numero) {
                return ArgumentoInvalido(invalido);
            }
            configuracion.estadoHttp = *numero;
        } else if (opcion == QLatin1String("--delay-ms")) {
            const auto numero = entero(0, 3'600'000);
            if (!numero) {
                return ArgumentoInvalido(invalido);
            }
            configuracion.demoraMs = *numero;
        } else if (opcion == QLatin1String("--redirect")) {
            if (valor.isEmpty()) {
                return ArgumentoInvalido(invalido);
            }
            configuracion.redireccion = valor;
        } else if (opcion == QLatin1String("--fail-first")) {
            const auto numero = entero(0, 1'000'000);
            if (!numero) {
                return ArgumentoInvalido(invalido);
            }
            configuracion.fallasIniciales = *numero;
        } else if (opcion == QLatin1String("--fail-status")) {
            const auto numero = entero(400, 599);
            if (!numero) {
                return ArgumentoInvalido(invalido);
            }
            configuracion.estadoFallas = *numero;
        } else if (opcion == QLatin1String("--retry-after")) {
            // Any text, so that a client's reading of a bad header can be tried too.
            configuracion.reintentarEn = valor.toStdString();
        } else if (opcion == QLatin1String("--empty-objects")) {
            const auto numero = entero(1, 20'000'000);
            if (!numero) {
                return ArgumentoInvalido(invalido);
            }
            configuracion.objetosVacios = *numero;
        } else {
            const auto numero = entero(1, 1024);
            if (!numero) {
                return ArgumentoInvalido(invalido);
            }
            configuracion.excesoMiB = *numero;
        }
    }
    if (configuracion.usuario.isEmpty() != configuracion.password.isEmpty()) {
        return ArgumentoInvalido(QStringLiteral("--user y --password deben indicarse juntos"));
    }

    // Blocked before the server's threads exist, so they inherit the mask and the signals
    // wait for sigwait below instead of interrupting a worker.
    // A shell starts background jobs with SIGINT ignored, and an ignored signal never
    // reaches sigwait: take the default disposition back first.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    sigset_t senales;
    sigemptyset(&senales);
    sigaddset(&senales, SIGINT);
    sigaddset(&senales, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &senales, nullptr);

    simulador::SimuladorPasarela simulador(configuracion);
    const quint16 escuchando = simulador.Inicia(quint16(puerto));
    if (escuchando == 0) {
        std::fprintf(stderr, "%s: no se pudo escuchar en 127.0.0.1:%d\n", kPrograma, puerto);
        return 1;
    }
    std::printf("%u\n", unsigned(escuchando));
    std::fflush(stdout);
    std::fprintf(stderr, "%s: atendiendo en %s\n", kPrograma, simulador.URL().toUtf8().constData());

    int senal = 0;
    sigwait(&senales, &senal);
    simulador.Detiene();
    std::fprintf(stderr, "%s: detenido tras %d peticiones\n", kPrograma, simulador.Peticiones());
    return 0;
}
