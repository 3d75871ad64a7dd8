#include "host/DefinicionComandos.h"
#include "host/Opciones.h"

namespace kd562host {

const QList<DefinicionComando>& Comandos() {
    static const QList<DefinicionComando> comandos = {
        {QStringLiteral("init"),
         {QStringLiteral("demo")},
         QStringLiteral("init [--demo]"),
         QStringLiteral("crea las tablas; --demo agrega productos de muestra"),
         QStringLiteral("Crea las tablas que falten en la base de datos.\n"
                        "  --demo            agrega unos productos de muestra; nunca sobrescribe\n"
                        "                    los que ya existen\n")},
        {QStringLiteral("list"),
         {QStringLiteral("format")},
         QStringLiteral("list [--format F]"),
         QStringLiteral("muestra la lista de servicios y su total"),
         QStringLiteral("Carga la pantalla sin ventana e imprime la lista: los encabezados, un\n"
                        "renglón por servicio y \"Total: N\".\n"
                        "  --format F        text (columnas alineadas; el de una terminal), tsv\n"
                        "                    (separada por tabuladores; el de fuera de ella) o\n"
                        "                    json\n")},
        {QStringLiteral("sync"),
         {QStringLiteral("yes"), QStringLiteral("dry-run"), QStringLiteral("allow-shrink"),
          QStringLiteral("retries"), QStringLiteral("format"), QStringLiteral("quiet"),
          QStringLiteral("list")},
         QStringLiteral("sync [--yes] [--dry-run] [--allow-shrink] [--retries N] [--list] "
                        "[--quiet] [--format F]"),
         QStringLiteral("descarga el catálogo (\"Configurar servicios\")"),
         QStringLiteral(
             "Oprime \"Configurar servicios\": descarga el catálogo de la pasarela e\n"
             "imprime el resumen de lo que cambió.\n"
             "  --yes             responde Sí a la confirmación; sin ella, en una terminal\n"
             "                    pregunta [s/N] tras el resumen, y fuera de ella no guarda\n"
             "  --dry-run         muestra lo que cambiaría y la lista resultante sin\n"
             "                    escribir nada; no pregunta\n"
             "  --allow-shrink    deja pasar una descarga que retiraría más de la mitad\n"
             "                    de los servicios guardados\n"
             "  --retries N       tras una falla pasajera (pasarela caída o lenta, HTTP\n"
             "                    429, 502, 503 o 504, base ocupada por otra terminal),\n"
             "                    lo intenta hasta N veces más, esperando cada vez más\n"
             "  --list            imprime también la lista (\"kd562 list\")\n"
             "  --quiet           imprime solo avisos y errores\n"
             "  --format F        text, tsv o json\n")},
        {QStringLiteral("account"),
         {QStringLiteral("url"), QStringLiteral("user"), QStringLiteral("password-stdin"),
          QStringLiteral("test")},
         QStringLiteral("account [--url URL] [--user USUARIO] [--password-stdin] [--test]"),
         QStringLiteral("guarda la cuenta de la pasarela (\"Configurar cuenta\")"),
         QStringLiteral("Oprime \"Configurar cuenta\", llena el diálogo y oprime \"Aceptar\"; un\n"
                        "campo que no se da conserva lo que el diálogo cargó.\n"
                        "Sin opciones, imprime la dirección y el usuario guardados.\n"
                        "  --url URL         dirección de la pasarela (http:// o https://)\n"
                        "  --user USUARIO    usuario de la pasarela\n"
                        "  --password-stdin  lee la contraseña de un renglón de la entrada\n"
                        "                    estándar; nunca se acepta en la línea de órdenes\n"
                        "  --test            consulta la pasarela con la cuenta guardada\n")},
        {QStringLiteral("history"),
         {QStringLiteral("limit"), QStringLiteral("format")},
         QStringLiteral("history [--limit N] [--format F] [N]"),
         QStringLiteral("muestra el historial de descargas, o los cambios de una"),
         QStringLiteral("Imprime las entradas del historial, la más reciente primero, separadas\n"
                        "por tabuladores y con un renglón de encabezados; con N, los cambios de\n"
                        "la entrada N: + agregado, - retirado, ~ cambiado (antes y después).\n"
                        "  --limit N         cuántas entradas (20 si no se da)\n"
                        "  --format F        text, tsv o json\n")},
        {QStringLiteral("undo"),
         {QStringLiteral("yes"), QStringLiteral("force"), QStringLiteral("format"),
          QStringLiteral("quiet"), QStringLiteral("list")},
         QStringLiteral("undo [--yes] [--force] [--list] [--quiet] [--format F]"),
         QStringLiteral("deshace la última descarga que no se ha deshecho"),
         QStringLiteral(
             "Deshace la última descarga que no se ha deshecho (otra vez, la anterior):\n"
             "el catálogo vuelve a ser el de antes y los productos que cambió\n"
             "recuperan sus valores; los que creó se quedan. Luego imprime el resumen.\n"
             "  --yes             responde Sí a la confirmación; sin ella, en una terminal\n"
             "                    pregunta [s/N], y fuera de ella no deshace nada\n"
             "  --force           deshace aunque el catálogo o sus productos hayan\n"
             "                    cambiado después de la descarga\n"
             "  --list            imprime también la lista (\"kd562 list\")\n"
             "  --quiet           imprime solo avisos y errores\n"
             "  --format F        text, tsv o json\n")},
        {QStringLiteral("status"),
         {QStringLiteral("max-age"), QStringLiteral("warning"), QStringLiteral("format"),
          QStringLiteral("output")},
         QStringLiteral("status [--warning HORAS] [--max-age HORAS] [--format F] "
                        "[--output ARCHIVO]"),
         QStringLiteral("dice cuándo fue la última descarga y si falló algo después"),
         QStringLiteral("Imprime la última descarga o deshecha que se guardó y, si después\n"
                        "falló un intento, cuándo y por qué. Sale como un plugin de monitoreo:\n"
                        "0 bien; 1 aviso (más vieja que --warning, o el catálogo cambió después);\n"
                        "2 crítico (más vieja que --max-age, ninguna descarga guardada, o un\n"
                        "intento fallido después); 3 desconocido (no se pudo averiguar).\n"
                        "  --warning HORAS   edad de la última descarga que amerita un aviso\n"
                        "  --max-age HORAS   edad máxima de la última descarga\n"
                        "  --format F        text, tsv, json, nagios o prometheus\n"
                        "  --output ARCHIVO  escribe en ARCHIVO (de un golpe, modo 0644)\n")},
        {QStringLiteral("show"),
         {},
         QStringLiteral("show"),
         QStringLiteral("abre la pantalla en una ventana"),
         QStringLiteral("Abre la pantalla en una ventana.\n")},
        {QStringLiteral("help"),
         {},
         QStringLiteral("help [COMANDO]"),
         QStringLiteral("muestra esta ayuda o la de un comando"),
         QStringLiteral("Muestra la ayuda general o la de COMANDO.\n")},
    };
    return comandos;
}

const DefinicionComando* BuscaComando(const QString& nombre) {
    for (const DefinicionComando& c : Comandos())
        if (c.nombre == nombre)
            return &c;
    return nullptr;
}

QString Version() {
    return QStringLiteral("kd562 " KD562_VERSION);
}

QString Uso(const QString& comando) {
    if (const DefinicionComando* c = BuscaComando(comando))
        return QStringLiteral("Uso: kd562 [OPCIONES] %1\n%2\n"
                              "Las opciones generales están en \"kd562 --help\".\n")
            .arg(c->sinopsis, c->detalle);
    QString comandos;
    for (const DefinicionComando& c : Comandos()) {
        QString linea = QStringLiteral("  ") + c.sinopsis;
        linea += linea.size() < 28 ? QString(28 - linea.size(), QLatin1Char(' '))
                                   : QStringLiteral("\n") + QString(28, QLatin1Char(' '));
        comandos += linea + c.resumen + QLatin1Char('\n');
    }
    return QStringLiteral(
               "Uso: kd562 [OPCIONES] COMANDO [OPCIONES DEL COMANDO]\n"
               "Sincronización de productos TAE y servicios.\n"
               "\n"
               "Comandos:\n"
               "%1"
               "\n"
               "Opciones (antes o después del comando):\n"
               "  --db URL                  RUTA, sqlite:RUTA o postgresql://USUARIO@SERVIDOR"
               "[:PUERTO]/BASE\n"
               "  --operator CLAVE          operador de los registros (por omisión, el "
               "usuario)\n"
               "  --modules CARPETA         carpeta de los módulos de pantalla\n"

               "  -h, --help                muestra esta ayuda\n"
               "  -v, --version             muestra la versión\n"
               "\n"
               "La base y el operador se leen de /etc/kd562.conf, luego de\n"
               "~/.config/kd562/kd562.conf (claves db, operator, locale e historial_dias) y\n"
               "al final de --db y --operator; cada uno manda sobre el anterior. Sin ninguno, la "
               "base es\n"
               "sqlite:corvanta.db en la carpeta actual. La contraseña de PostgreSQL se toma\n"
               "de PGPASSWORD o de ~/.pgpass.\n"
               "\n"
               "Estado de salida: 0 hecho; 1 la pantalla rechazó o falló; 2 argumentos,\n"
               "configuración, módulo o base de datos no válidos; 75 falla pasajera (la\n"
               "misma que --retries reintenta), tras los reintentos. status sale como un\n"
               "plugin de monitoreo: 0 bien, 1 aviso, 2 crítico, 3 desconocido.\n")
        .arg(comandos);
}

} // namespace kd562host
