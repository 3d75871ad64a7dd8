#include "Proceso.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace banco {

namespace {

std::vector<char*> Punteros(std::vector<QByteArray>& textos) {
    std::vector<char*> punteros;
    for (QByteArray& texto : textos)
        punteros.push_back(texto.data());
    punteros.push_back(nullptr);
    return punteros;
}

} // namespace

bool Ejecucion::Termino() const {
    return WIFEXITED(estado) && WEXITSTATUS(estado) == 0;
}

void Ejecucion::ExigeExito() const {
    if (Termino())
        return;
    std::fprintf(stderr, "%s: estado %d\n%s", orden.constData(),
                 WIFEXITED(estado) ? WEXITSTATUS(estado) : -1, errores.constData());
    std::exit(1);
}

// Runs the program as a child of this process and writes to ARCHIVO its wall seconds, peak
// resident set in KiB and wait status. Linux counts in a process's peak the memory it
// replaced at exec, so a child of the benchmark itself, grown to hundreds of megabytes, would
// report the benchmark's peak; this launcher is still small when it spawns.
int Lanza(char** argv) {
    timespec antes{}, despues{};
    ::clock_gettime(CLOCK_MONOTONIC, &antes);
    pid_t hijo = 0;
    const int rc = posix_spawn(&hijo, argv[3], nullptr, nullptr, argv + 3, environ);
    if (rc != 0) {
        std::fprintf(stderr, "no se pudo ejecutar %s: %s\n", argv[3], std::strerror(rc));
        return 127;
    }
    int estado = 0;
    rusage uso{};
    while (::wait4(hijo, &estado, 0, &uso) < 0 && errno == EINTR) {
    }
    ::clock_gettime(CLOCK_MONOTONIC, &despues);
    FILE* archivo = std::fopen(argv[2], "w");
    if (!archivo)
        return 127;
    std::fprintf(archivo, "%.6f %ld %d\n",
                 static_cast<double>(despues.tv_sec - antes.tv_sec) +
                     static_cast<double>(despues.tv_nsec - antes.tv_nsec) / 1e9,
                 uso.ru_maxrss, estado);
    return std::fclose(archivo) == 0 ? 0 : 127;
}

Ejecucion EjecutaKd562(const QByteArrayList& argumentos, const QString& url, const QString& carpeta,
                       const QByteArrayList& entorno, bool descarta) {
    const QString bin = QCoreApplication::applicationDirPath();
    const QByteArray programa = QFile::encodeName(bin + QStringLiteral("/kd562"));
    const QByteArray errores = QFile::encodeName(carpeta + QStringLiteral("/kd562.err"));
    const QByteArray medida = QFile::encodeName(carpeta + QStringLiteral("/kd562.medida"));
    std::vector<QByteArray> linea = {QFile::encodeName(QCoreApplication::applicationFilePath()),
                                     "--proceso", medida, programa};
    for (const QByteArray& argumento : argumentos)
        linea.push_back(argumento);
    for (const QByteArray& opcion :
         {QByteArray("--db"), url.toUtf8(), QByteArray("--operator"), QByteArray("BENCH")})
        linea.push_back(opcion);
    // The benchmark's own settings of these never reach the child.
    const QByteArrayList propias = {"KD562_CONF_SISTEMA", "KD562_MODULE_DIR", "XDG_CONFIG_HOME",
                                    "KD562_BANCO_SIN_HISTORIAL"};
    std::vector<QByteArray> variables;
    for (char** e = environ; *e; ++e) {
        const QByteArray variable(*e);
        if (!propias.contains(variable.left(variable.indexOf('='))))
            variables.push_back(variable);
    }
    variables.push_back("KD562_CONF_SISTEMA=" +
                        QFile::encodeName(carpeta + QStringLiteral("/kd562.conf")));
    variables.push_back("KD562_MODULE_DIR=" + QFile::encodeName(bin + QStringLiteral("/modulos")));
    variables.push_back("XDG_CONFIG_HOME=" + QFile::encodeName(carpeta));
    for (const QByteArray& variable : entorno)
        variables.push_back(variable);
    std::vector<char*> argv = Punteros(linea);
    std::vector<char*> envp = Punteros(variables);

    Ejecucion e;
    e.orden = "kd562 " + argumentos.join(' ');
    int tubo[2] = {-1, -1};
    if (!descarta && ::pipe2(tubo, O_CLOEXEC) != 0) {
        std::perror("pipe2");
        std::exit(1);
    }
    posix_spawn_file_actions_t acciones;
    posix_spawn_file_actions_init(&acciones);
    posix_spawn_file_actions_addopen(&acciones, 0, "/dev/null", O_RDONLY, 0);
    if (descarta)
        posix_spawn_file_actions_addopen(&acciones, 1, "/dev/null", O_WRONLY, 0);
    else
        posix_spawn_file_actions_adddup2(&acciones, tubo[1], 1);
    posix_spawn_file_actions_addopen(&acciones, 2, errores.constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QFile::remove(QFile::decodeName(medida));
    pid_t hijo = 0;
    const int rc = posix_spawn(&hijo, argv[0], &acciones, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&acciones);
    if (!descarta)
        ::close(tubo[1]);
    if (rc != 0) {
        std::fprintf(stderr, "no se pudo ejecutar %s: %s\n", argv[0], std::strerror(rc));
        std::exit(1);
    }
    if (!descarta) {
        // Drained as it comes; only the count, the hash and the last line are kept.
        QCryptographicHash huella(QCryptographicHash::Sha256);
        QByteArray cola;
        char bloque[1 << 16];
        for (;;) {
            const ssize_t leidos = ::read(tubo[0], bloque, sizeof bloque);
            if (leidos < 0 && errno == EINTR)
                continue;
            if (leidos <= 0)
                break;
            e.lineas += std::count(bloque, bloque + leidos, '\n');
            huella.addData(QByteArrayView(bloque, leidos));
            cola.append(bloque, leidos);
            if (cola.size() > 4096)
                cola.remove(0, cola.size() - 256);
        }
        ::close(tubo[0]);
        e.huella = huella.result();
        e.ultima = cola.trimmed().split('\n').last();
    }
    int lanzador = 0;
    while (::waitpid(hijo, &lanzador, 0) < 0 && errno == EINTR) {
    }
    QFile archivo(QFile::decodeName(medida));
    const QList<QByteArray> campos = archivo.open(QIODevice::ReadOnly)
                                         ? archivo.readAll().simplified().split(' ')
                                         : QList<QByteArray>();
    if (!WIFEXITED(lanzador) || WEXITSTATUS(lanzador) != 0 || campos.size() != 3) {
        std::fprintf(stderr, "el lanzador de kd562 falló (estado %d)\n", lanzador);
        std::exit(1);
    }
    e.medida.segundos = campos[0].toDouble();
    e.medida.megas = campos[1].toDouble() / 1024.0;
    e.estado = campos[2].toInt();
    QFile salida(QFile::decodeName(errores));
    if (salida.open(QIODevice::ReadOnly))
        e.errores = salida.readAll();
    return e;
}

} // namespace banco
