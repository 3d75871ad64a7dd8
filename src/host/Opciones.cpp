#include "host/Opciones.h"

#include "runtime/Error.h"

namespace kd562host {

namespace {

corvanta::Error Mal(const QString& motivo) {
    return corvanta::Error(motivo);
}

} // namespace

QString Uso() {
    return QStringLiteral(
        "Uso: kd562 [--db URL] [--operator CLAVE] [--modules CARPETA] COMANDO\n"
        "  init [--demo]             crea las tablas; --demo agrega productos de muestra\n"
        "  list                      muestra la lista de servicios y su total\n"
        "  sync [--yes] [--dry-run] [--allow-shrink]\n"
        "                            descarga el catálogo (\"Configurar servicios\");\n"
        "                            --dry-run muestra el cambio sin guardarlo;\n"
        "                            --allow-shrink deja retirar más de la mitad\n"
        "  account [--url URL] --user USUARIO [--password-stdin]\n"
        "                            guarda la cuenta de la pasarela (\"Configurar cuenta\")\n"
        "  show                      abre la pantalla en una ventana\n"
        "--db acepta sqlite:RUTA (por omisión sqlite:corvanta.db) o\n"
        "postgresql://USUARIO@SERVIDOR[:PUERTO]/BASE; la contraseña de PostgreSQL se toma de\n"
        "PGPASSWORD o de ~/.pgpass.\n");
}

Opciones LeeOpciones(const QStringList& argumentos) {
    Opciones o;
    auto valor = [&](qsizetype& i, const QString& nombre) {
        if (i + 1 >= argumentos.size())
            throw Mal(QStringLiteral("Falta el valor de %1").arg(nombre));
        return argumentos.at(++i);
    };
    for (qsizetype i = 0; i < argumentos.size(); ++i) {
        const QString& a = argumentos.at(i);
        if (a == QStringLiteral("--db"))
            o.db = valor(i, a);
        else if (a == QStringLiteral("--operator"))
            o.operador = valor(i, a);
        else if (a == QStringLiteral("--modules"))
            o.modulos = valor(i, a);
        else if (a == QStringLiteral("--demo") && o.comando == QStringLiteral("init"))
            o.demo = true;
        else if (a == QStringLiteral("--yes") && o.comando == QStringLiteral("sync"))
            o.si = true;
        else if (a == QStringLiteral("--dry-run") && o.comando == QStringLiteral("sync"))
            o.simulacion = true;
        else if (a == QStringLiteral("--allow-shrink") && o.comando == QStringLiteral("sync"))
            o.permiteReduccion = true;
        else if (a == QStringLiteral("--url") && o.comando == QStringLiteral("account"))
            o.url = valor(i, a);
        else if (a == QStringLiteral("--user") && o.comando == QStringLiteral("account"))
            o.usuario = valor(i, a);
        else if (a == QStringLiteral("--password-stdin") && o.comando == QStringLiteral("account"))
            o.passwordStdin = true;
        else if (a.startsWith(QStringLiteral("--password")))
            throw Mal(QStringLiteral("La contraseña no se acepta en la línea de órdenes: use "
                                     "--password-stdin"));
        else if (a.startsWith(QStringLiteral("-")))
            throw Mal(QStringLiteral("Opción desconocida: %1").arg(a));
        else if (o.comando.isEmpty())
            o.comando = a;
        else
            throw Mal(QStringLiteral("Argumento de más: %1").arg(a));
    }
    static const QStringList comandos = {"init", "list", "sync", "account", "show"};
    if (o.comando.isEmpty())
        throw Mal(QStringLiteral("Falta el comando"));
    if (!comandos.contains(o.comando))
        throw Mal(QStringLiteral("Comando desconocido: %1").arg(o.comando));
    if (o.comando == QStringLiteral("account") && !o.usuario)
        throw Mal(QStringLiteral("account necesita --user USUARIO"));
    if (o.usuario && o.usuario->isEmpty())
        throw Mal(QStringLiteral("--user no puede estar vacío"));
    return o;
}

} // namespace kd562host
