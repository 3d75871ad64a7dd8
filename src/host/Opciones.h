#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace kd562host {

// What the command line asked for.
struct Opciones {
    QString db = QStringLiteral("sqlite:corvanta.db");
    QString operador;
    QString modulos; // folder of the module libraries
    QString comando; // init, list, sync, account, show
    bool demo = false;
    bool si = false;
    bool simulacion = false;       // sync --dry-run
    bool permiteReduccion = false; // sync --allow-shrink
    std::optional<QString> url;
    std::optional<QString> usuario;
    bool passwordStdin = false;
};

// Parses the arguments after the program name. Throws corvanta::Error with a one-line
// reason for anything it does not understand; a password is never accepted here.
Opciones LeeOpciones(const QStringList& argumentos);
QString Uso();

} // namespace kd562host
