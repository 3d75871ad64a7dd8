#pragma once

#include "host/Impresora.h"
#include "runtime/Error.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace kd562host {

// What the command line asked for.
struct Opciones {
    enum class Accion { Comando, Ayuda, Version };

    QString db = QStringLiteral("sqlite:corvanta.db");
    QString operador;
    QString modulos; // folder of the module libraries
    // Regional settings for every number the screen derives (locale= in the configuration
    // files); empty: the process's own.
    QString regional;
    QString comando; // init, list, sync, account, show, history, undo, status
    Accion accion = Accion::Comando;
    QString temaAyuda; // the command whose help was asked for; empty for the general one
    bool demo = false;
    bool si = false;
    bool simulacion = false;       // sync --dry-run
    bool permiteReduccion = false; // sync --allow-shrink
    std::optional<QString> url;
    std::optional<QString> usuario;
    bool passwordStdin = false;
    int reintentos = 0;             // sync --retries
    int limite = 20;                // history --limit
    qint64 entrada = 0;             // history N; 0: the list of entries
    bool forzar = false;            // undo --force
    double edadMaxima = 0;          // status --max-age, in hours; 0: none
    double edadAviso = 0;           // status --warning, in hours; 0: none
    std::optional<Formato> formato; // --format; none: text on a terminal, tsv elsewhere
    QString archivoSalida;          // status --output
    bool silencio = false;          // --quiet: only warnings and errors
    bool conLista = false;          // sync and undo --list
    bool probar = false;            // account --test
    int diasHistorial = 90;         // historial_dias= in the configuration files; 0 keeps all
    QStringList avisos;             // what the configuration files said that was taken otherwise
};

// A command line that cannot be understood; the caller adds the pointer to --help.
class ErrorDeArgumentos : public corvanta::Error {
public:
    using corvanta::Error::Error;
};

// The configuration files in the order they are read, each overriding the one before:
// the system's (KD562_CONF_SISTEMA, for tests, replaces /etc/kd562.conf), then the user's.
QStringList ArchivosConfiguracion();

// Parses the arguments after the program name; options may stand before or after the
// command. Settings come from `archivos` first and the flags override them. Throws
// ErrorDeArgumentos with a one-line reason for anything it does not understand, and
// corvanta::Error for a configuration file it cannot read; a password is never accepted.
Opciones LeeOpciones(const QStringList& argumentos, const QStringList& archivos = {});

// The usage of every command, or of `comando` alone.
QString Uso(const QString& comando = QString());
QString Version();

} // namespace kd562host
