#include "host/Opciones.h"

#include "data/Historial.h"
#include "host/DefinicionComandos.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

namespace kd562host {

namespace {

ErrorDeArgumentos Mal(const QString& motivo) {
    return ErrorDeArgumentos(motivo);
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

// A path without a scheme ("/var/lib/kd562/corvanta.db", "tienda.db") is a SQLite file.
QString ConEsquema(const QString& db) {
    static const QRegularExpression esquema(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    return esquema.match(db).hasMatch() ? db : QStringLiteral("sqlite:") + db;
}

// Refused here, not at night when the download first uses it.
void CompruebaUrl(const QString& texto) {
    const QUrl url(texto, QUrl::StrictMode);
    const QString esquema = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (esquema != QStringLiteral("http") && esquema != QStringLiteral("https")))
        throw Mal(QStringLiteral("--url espera una dirección http:// o https:// con su servidor, "
                                 "como https://pasarela.ejemplo/wsService: %1")
                      .arg(texto));
}

Formato LeeFormato(const QString& nombre, const QString& comando) {
    const bool estado = comando == QStringLiteral("status");
    static const QList<std::pair<QString, Formato>> formatos = {
        {QStringLiteral("text"), Formato::Texto},
        {QStringLiteral("tsv"), Formato::Tsv},
        {QStringLiteral("json"), Formato::Json},
        {QStringLiteral("nagios"), Formato::Nagios},
        {QStringLiteral("prometheus"), Formato::Prometheus}};
    for (const auto& [texto, formato] : formatos)
        if (texto == nombre &&
            (estado || (formato != Formato::Nagios && formato != Formato::Prometheus)))
            return formato;
    throw Mal(QStringLiteral("--format espera %1: %2")
                  .arg(estado ? QStringLiteral("text, tsv, json, nagios o prometheus")
                              : QStringLiteral("text, tsv o json"),
                       nombre));
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
    const QStringList conValor = {
        QStringLiteral("db"),      QStringLiteral("operator"), QStringLiteral("modules"),
        QStringLiteral("url"),     QStringLiteral("user"),     QStringLiteral("limit"),
        QStringLiteral("max-age"), QStringLiteral("retries"),  QStringLiteral("format"),
        QStringLiteral("warning"), QStringLiteral("output")};
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
    o.probar = analizador.isSet(QStringLiteral("test"));
    const bool cambiaCuenta = analizador.isSet(QStringLiteral("url")) ||
                              analizador.isSet(QStringLiteral("password-stdin"));
    if (o.probar && (cambiaCuenta || analizador.isSet(QStringLiteral("user"))))
        throw Mal(QStringLiteral("--test prueba la cuenta guardada: no va con --url, --user ni "
                                 "--password-stdin"));
    if (o.comando == QStringLiteral("account") && cambiaCuenta &&
        !analizador.isSet(QStringLiteral("user")))
        throw Mal(QStringLiteral("account necesita --user USUARIO"));
    if (analizador.isSet(QStringLiteral("url")))
        CompruebaUrl(analizador.value(QStringLiteral("url")));

    for (const QString& archivo : archivos)
        LeeArchivo(archivo, o);
    if (analizador.isSet(QStringLiteral("db")))
        o.db = analizador.value(QStringLiteral("db"));
    o.db = ConEsquema(o.db);
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
    for (const auto& [nombre, horas] : {std::pair{QStringLiteral("max-age"), &o.edadMaxima},
                                        std::pair{QStringLiteral("warning"), &o.edadAviso}}) {
        if (!analizador.isSet(nombre))
            continue;
        bool ok = false;
        *horas = analizador.value(nombre).toDouble(&ok);
        if (!ok || !(*horas > 0))
            throw Mal(QStringLiteral("--%1 espera un número de horas mayor que cero: %2")
                          .arg(nombre, analizador.value(nombre)));
    }
    if (analizador.isSet(QStringLiteral("format")))
        o.formato = LeeFormato(analizador.value(QStringLiteral("format")), o.comando);
    o.archivoSalida = analizador.value(QStringLiteral("output"));
    o.silencio = analizador.isSet(QStringLiteral("quiet"));
    o.conLista = analizador.isSet(QStringLiteral("list"));
    return o;
}

} // namespace kd562host
