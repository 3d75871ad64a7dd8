#include "host/Opciones.h"

#include "data/Historial.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>

namespace kd562host {

namespace {

ErrorDeArgumentos Mal(const QString& motivo) {
    return ErrorDeArgumentos(motivo);
}

// One command: the options it accepts besides the general ones, and its help.
struct DefinicionComando {
    QString nombre;
    QStringList opciones;
    QString sinopsis;
    QString resumen;
    QString detalle;
};

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
         {},
         QStringLiteral("list"),
         QStringLiteral("muestra la lista de servicios y su total"),
         QStringLiteral("Carga la pantalla sin ventana e imprime la lista separada por\n"
                        "tabuladores: los encabezados, un renglón por servicio y \"Total: N\".\n")},
        {QStringLiteral("sync"),
         {QStringLiteral("yes"), QStringLiteral("dry-run"), QStringLiteral("allow-shrink"),
          QStringLiteral("retries")},
         QStringLiteral("sync [--yes] [--dry-run] [--allow-shrink] [--retries N]"),
         QStringLiteral("descarga el catálogo (\"Configurar servicios\")"),
         QStringLiteral(
             "Oprime \"Configurar servicios\": descarga el catálogo de la pasarela y\n"
             "luego imprime la lista.\n"
             "  --yes             responde Sí a la confirmación; sin ella, responde No\n"
             "  --dry-run         muestra lo que cambiaría y la lista resultante sin\n"
             "                    escribir nada; no pregunta\n"
             "  --allow-shrink    deja pasar una descarga que retiraría más de la mitad\n"
             "                    de los servicios guardados\n"
             "  --retries N       tras una falla pasajera (pasarela caída o lenta, HTTP\n"
             "                    429, 502, 503 o 504, base ocupada por otra terminal),\n"
             "                    lo intenta hasta N veces más, esperando cada vez más\n")},
        {QStringLiteral("account"),
         {QStringLiteral("url"), QStringLiteral("user"), QStringLiteral("password-stdin")},
         QStringLiteral("account [--url URL] --user USUARIO [--password-stdin]"),
         QStringLiteral("guarda la cuenta de la pasarela (\"Configurar cuenta\")"),
         QStringLiteral("Oprime \"Configurar cuenta\", llena el diálogo y oprime \"Aceptar\"; un\n"
                        "campo que no se da conserva lo que el diálogo cargó.\n"
                        "  --url URL         dirección de la pasarela\n"
                        "  --user USUARIO    usuario de la pasarela\n"
                        "  --password-stdin  lee la contraseña de un renglón de la entrada\n"
                        "                    estándar; nunca se acepta en la línea de órdenes\n")},
        {QStringLiteral("history"),
         {QStringLiteral("limit")},
         QStringLiteral("history [--limit N] [N]"),
         QStringLiteral("muestra el historial de descargas, o los cambios de una"),
         QStringLiteral("Imprime las entradas del historial, la más reciente primero, separadas\n"
                        "por tabuladores y con un renglón de encabezados; con N, los cambios de\n"
                        "la entrada N: + agregado, - retirado, ~ cambiado (antes y después).\n"
                        "  --limit N         cuántas entradas (20 si no se da)\n")},
        {QStringLiteral("undo"),
         {QStringLiteral("yes"), QStringLiteral("force")},
         QStringLiteral("undo [--yes] [--force]"),
         QStringLiteral("deshace la última descarga que no se ha deshecho"),
         QStringLiteral(
             "Deshace la última descarga que no se ha deshecho (otra vez, la anterior):\n"
             "el catálogo vuelve a ser el de antes y los productos que cambió\n"
             "recuperan sus valores; los que creó se quedan. Luego imprime la lista.\n"
             "  --yes             responde Sí a la confirmación; sin ella, responde No\n"
             "  --force           deshace aunque el catálogo o sus productos hayan\n"
             "                    cambiado después de la descarga\n")},
        {QStringLiteral("status"),
         {QStringLiteral("max-age")},
         QStringLiteral("status [--max-age HORAS]"),
         QStringLiteral("dice cuándo fue la última descarga y si falló algo después"),
         QStringLiteral("Imprime la última descarga o deshecha que se guardó y, si después\n"
                        "falló un intento, cuándo y por qué. Estado 0 si lo último se guardó\n"
                        "(y, con --max-age, si la última descarga tiene menos de HORAS).\n"
                        "  --max-age HORAS   edad máxima de la última descarga\n")},
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

QString Guiones(const QString& nombre) {
    return (nombre.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + nombre;
}

// Qt's own error texts are in English; the reason is worked out from the arguments instead.
QString MotivoDelAnalizador(const QCommandLineParser& analizador, const QStringList& argumentos,
                            const QStringList& conValor) {
    const QStringList desconocidas = analizador.unknownOptionNames();
    if (!desconocidas.isEmpty())
        return QStringLiteral("Opción desconocida: %1").arg(Guiones(desconocidas.first()));
    if (!argumentos.isEmpty()) {
        const QString ultimo = argumentos.last();
        for (const QString& nombre : conValor)
            if (ultimo == Guiones(nombre))
                return QStringLiteral("Falta el valor de %1").arg(ultimo);
    }
    for (const QString& a : argumentos) {
        const qsizetype igual = a.indexOf(QLatin1Char('='));
        if (a.startsWith(QStringLiteral("--")) && igual > 2)
            return QStringLiteral("La opción %1 no lleva valor").arg(a.left(igual));
    }
    return QStringLiteral("Argumentos no válidos");
}

// A whole number above zero, or a refusal that names what was expected.
qint64 Entero(const QString& texto, const QString& nombre) {
    bool ok = false;
    const qint64 numero = texto.toLongLong(&ok);
    if (!ok || numero < 1)
        throw Mal(
            QStringLiteral("%1 espera un número entero mayor que cero: %2").arg(nombre, texto));
    return numero;
}

QString Password() {
    return QStringLiteral("La contraseña no se acepta en la línea de órdenes: use "
                          "--password-stdin");
}

// A name Qt knows ("es_MX", "es_MX.UTF-8", "de", "C", "C.UTF-8"): anything else would quietly
// become C.
bool RegionalConocida(QString nombre) {
    const QString sinCodigo = nombre.section(QLatin1Char('.'), 0, 0);
    if (sinCodigo == QStringLiteral("C") || sinCodigo == QStringLiteral("POSIX"))
        return true;
    const QLocale regional(nombre);
    nombre = nombre.section(QLatin1Char('.'), 0, 0).replace(QLatin1Char('-'), QLatin1Char('_'));
    if (regional.language() == QLocale::C)
        return false;
    return regional.name() == nombre || (!nombre.contains(QLatin1Char('_')) &&
                                         regional.name().section(QLatin1Char('_'), 0, 0) == nombre);
}

void LeeArchivo(const QString& ruta, Opciones& o) {
    if (!QFileInfo::exists(ruta))
        return;
    QSettings archivo(ruta, QSettings::IniFormat);
    if (archivo.status() != QSettings::NoError)
        throw corvanta::Error(QStringLiteral("No se pudo leer la configuración %1").arg(ruta));
    // A value with commas comes back as a list; it is one text here.
    auto texto = [&](const char* clave) {
        return archivo.value(QLatin1String(clave)).toStringList().join(QLatin1Char(','));
    };
    if (const QString db = texto("db"); !db.isEmpty())
        o.db = db;
    if (const QString operador = texto("operator"); !operador.isEmpty())
        o.operador = operador;
    if (const QString regional = texto("locale"); !regional.isEmpty()) {
        if (!RegionalConocida(regional))
            throw corvanta::Error(QStringLiteral("Configuración regional desconocida en %1: "
                                                 "locale=%2 (se espera un nombre como es_MX)")
                                      .arg(ruta, regional));
        o.regional = regional;
    }
    if (const QString dias = texto("historial_dias"); !dias.isEmpty()) {
        bool ok = false;
        o.diasHistorial = dias.toInt(&ok);
        if (!ok || o.diasHistorial < 0)
            throw corvanta::Error(QStringLiteral("Valor no válido en %1: historial_dias=%2 (se "
                                                 "espera un número de días, 0 para no borrar)")
                                      .arg(ruta, dias));
        // A hundred years keeps everything this program will see; more would only name
        // dates the databases cannot hold.
        if (o.diasHistorial > kd562::kMaximoDiasHistorial) {
            o.diasHistorial = kd562::kMaximoDiasHistorial;
            o.avisos.append(QStringLiteral("aviso: historial_dias=%1 en %2 se toma como %3 (cien "
                                           "años)")
                                .arg(dias, ruta)
                                .arg(kd562::kMaximoDiasHistorial));
        }
    }
}

} // namespace

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
               "  --db URL                  sqlite:RUTA o postgresql://USUARIO@SERVIDOR"
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
               "módulo o base de datos no válidos.\n")
        .arg(comandos);
}

QStringList ArchivosConfiguracion() {
    const QString sistema =
        qEnvironmentVariable("KD562_CONF_SISTEMA", QStringLiteral("/etc/kd562.conf"));
    const QString usuario =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/kd562/kd562.conf");
    return {sistema, usuario};
}

Opciones LeeOpciones(const QStringList& argumentos, const QStringList& archivos) {
    QCommandLineParser analizador;
    analizador.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QStringList conValor = {QStringLiteral("db"),      QStringLiteral("operator"),
                                  QStringLiteral("modules"), QStringLiteral("url"),
                                  QStringLiteral("user"),    QStringLiteral("limit"),
                                  QStringLiteral("max-age"), QStringLiteral("retries")};
    for (const QString& nombre : conValor)
        analizador.addOption({nombre, QString(), QStringLiteral("VALOR")});
    analizador.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QString()});
    analizador.addOption({{QStringLiteral("v"), QStringLiteral("version")}, QString()});
    QStringList propias;
    for (const DefinicionComando& c : Comandos())
        propias += c.opciones;
    propias.removeDuplicates();
    for (const QString& nombre : propias)
        if (!conValor.contains(nombre))
            analizador.addOption({nombre, QString()});

    // Refused before parsing, so that no spelling of it can reach a value.
    for (const QString& a : argumentos)
        if (a.startsWith(QStringLiteral("--password")) && a != QStringLiteral("--password-stdin"))
            throw Mal(Password());
    if (!analizador.parse(QStringList{QStringLiteral("kd562")} + argumentos))
        throw Mal(MotivoDelAnalizador(analizador, argumentos, conValor));

    Opciones o;
    const QStringList posicionales = analizador.positionalArguments();
    const bool ayuda = analizador.isSet(QStringLiteral("help"));
    if (!posicionales.isEmpty()) {
        o.comando = posicionales.first();
        if (!BuscaComando(o.comando))
            throw Mal(QStringLiteral("Comando desconocido: %1").arg(o.comando));
        const qsizetype admitidos =
            o.comando == QStringLiteral("help") || o.comando == QStringLiteral("history") ? 2 : 1;
        if (posicionales.size() > admitidos)
            throw Mal(QStringLiteral("Argumento de más: %1").arg(posicionales.at(admitidos)));
    }
    if (o.comando == QStringLiteral("help") || ayuda) {
        o.accion = Opciones::Accion::Ayuda;
        o.temaAyuda = o.comando == QStringLiteral("help") ? posicionales.value(1) : o.comando;
        if (!o.temaAyuda.isEmpty() && !BuscaComando(o.temaAyuda))
            throw Mal(QStringLiteral("Comando desconocido: %1").arg(o.temaAyuda));
        return o;
    }
    if (analizador.isSet(QStringLiteral("version"))) {
        o.accion = Opciones::Accion::Version;
        return o;
    }
    if (o.comando.isEmpty())
        throw Mal(QStringLiteral("Falta el comando"));
    const DefinicionComando& definicion = *BuscaComando(o.comando);
    if (analizador.isSet(QStringLiteral("user")) &&
        analizador.value(QStringLiteral("user")).isEmpty())
        throw Mal(QStringLiteral("--user no puede estar vacío"));
    for (const QString& nombre : propias)
        if (analizador.isSet(nombre) && !definicion.opciones.contains(nombre))
            throw Mal(QStringLiteral("La opción --%1 no vale con %2").arg(nombre, o.comando));
    if (o.comando == QStringLiteral("account") && !analizador.isSet(QStringLiteral("user")))
        throw Mal(QStringLiteral("account necesita --user USUARIO"));

    for (const QString& archivo : archivos)
        LeeArchivo(archivo, o);
    if (analizador.isSet(QStringLiteral("db")))
        o.db = analizador.value(QStringLiteral("db"));
    if (analizador.isSet(QStringLiteral("operator")))
        o.operador = analizador.value(QStringLiteral("operator"));
    o.modulos = analizador.value(QStringLiteral("modules"));
    o.demo = analizador.isSet(QStringLiteral("demo"));
    o.si = analizador.isSet(QStringLiteral("yes"));
    o.simulacion = analizador.isSet(QStringLiteral("dry-run"));
    o.permiteReduccion = analizador.isSet(QStringLiteral("allow-shrink"));
    if (analizador.isSet(QStringLiteral("url")))
        o.url = analizador.value(QStringLiteral("url"));
    if (analizador.isSet(QStringLiteral("user")))
        o.usuario = analizador.value(QStringLiteral("user"));
    o.passwordStdin = analizador.isSet(QStringLiteral("password-stdin"));
    o.forzar = analizador.isSet(QStringLiteral("force"));
    if (analizador.isSet(QStringLiteral("retries"))) {
        bool ok = false;
        o.reintentos = analizador.value(QStringLiteral("retries")).toInt(&ok);
        if (!ok || o.reintentos < 0 || o.reintentos > 100)
            throw Mal(QStringLiteral("--retries espera un número entero de 0 a 100: %1")
                          .arg(analizador.value(QStringLiteral("retries"))));
    }
    if (analizador.isSet(QStringLiteral("limit")))
        o.limite = static_cast<int>(std::min<qint64>(
            Entero(analizador.value(QStringLiteral("limit")), QStringLiteral("--limit")),
            1'000'000));
    if (posicionales.size() > 1) {
        // One entry's changes have no count of entries to limit.
        if (analizador.isSet(QStringLiteral("limit")))
            throw Mal(QStringLiteral("--limit no vale con el número de una entrada"));
        o.entrada = Entero(posicionales.at(1), QStringLiteral("El número de entrada"));
    }
    if (analizador.isSet(QStringLiteral("max-age"))) {
        bool ok = false;
        o.edadMaxima = analizador.value(QStringLiteral("max-age")).toDouble(&ok);
        if (!ok || !(o.edadMaxima > 0))
            throw Mal(QStringLiteral("--max-age espera un número de horas mayor que cero: %1")
                          .arg(analizador.value(QStringLiteral("max-age"))));
    }
    return o;
}

} // namespace kd562host
