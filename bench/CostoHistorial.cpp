// What the history costs: on a database that holds the base catalogue (downloaded once,
// untimed), "kd562 sync --yes" of a second reply runs as a process with the history and
// without it (KD562_BANCO_SIN_HISTORIAL=1, for both downloads). The second reply is the same
// one again, one with 1% of the services changed, or one with all of them changed. With the
// history, "kd562 history N" of that download (output to /dev/null) and "kd562 undo --yes"
// follow, and the undo must bring the base list back. Each figure is the median of three
// runs, each on a fresh database; the runs with and without alternate, so that another load
// on the machine falls on both.
#include "CostoHistorial.h"

#include "Comun.h"
#include "Proceso.h"
#include "SimuladorPasarela.h"
#include "runtime/Connection.h"

#include <QFile>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace corvanta;

namespace banco {

namespace {

constexpr int kVeces = 3;

struct Perfil {
    const char* nombre;
    int cada; // one service in this many gets a new description; 0: none
};

const Perfil kPerfiles[] = {{"misma", 0}, {"1%", 100}, {"todo", 1}};

// One in each `cada`, its place within the block moving so that every description of the
// catalogue (eight, by turns) takes its turn.
bool Cambia(int i, int cada) {
    if (cada <= 1)
        return cada == 1;
    return i % cada == (i / cada) % 8;
}

// The changed services' descriptions get a suffix, and their products change with them: a
// carrier's name no longer matches, so its TAE product takes a new key; the others keep
// their keys and their products take the new description.
QJsonArray Cambiado(QJsonArray catalogo, int cada, int& cambiados) {
    cambiados = 0;
    for (qsizetype i = 0; i < catalogo.size(); ++i) {
        if (!Cambia(static_cast<int>(i), cada))
            continue;
        QJsonObject servicio = catalogo.at(i).toObject();
        servicio[QStringLiteral("DESCRIPCION")] =
            servicio.value(QStringLiteral("DESCRIPCION")).toString() + QStringLiteral(" 2");
        catalogo[i] = servicio;
        ++cambiados;
    }
    return catalogo;
}

[[noreturn]] void Falla(const QString& texto, const Ejecucion& e) {
    std::fprintf(stderr, "%s: %s\n%s", e.orden.constData(), qPrintable(texto),
                 e.errores.constData());
    std::exit(1);
}

// A download or an undo prints the headings, a line per service and the total.
void ExigeLista(const Ejecucion& e, int n) {
    e.ExigeExito();
    if (e.lineas != n + 2 || e.ultima != "Total: " + QByteArray::number(n))
        Falla(QStringLiteral("%1 líneas, la última \"%2\"; se esperaba la lista de %3 servicios")
                  .arg(e.lineas)
                  .arg(QString::fromUtf8(e.ultima))
                  .arg(n),
              e);
}

// Whatever the history does, the download must have found what the profile changed.
void ExigeResumen(const Ejecucion& e, int n, int cambiados) {
    const QByteArray linea = QStringLiteral("Servicios: 0 nuevos, 0 retirados, %1 cambiados, %2 "
                                            "sin cambio")
                                 .arg(cambiados)
                                 .arg(n - cambiados)
                                 .toUtf8();
    if (!e.errores.contains(linea))
        Falla(QStringLiteral("el resumen no dice \"%1\"").arg(QString::fromUtf8(linea)), e);
}

// The set-up's writes, still being flushed, would otherwise land in whichever timed run
// comes next and make one profile look dearer than another.
void Sosiega(const QString& url) {
    if (url.startsWith(QLatin1String("postgresql")))
        Connection::Abre(url)->Execute(QStringLiteral("CHECKPOINT"));
    ::sync();
}

struct Medida {
    double e2e = 0, megas = 0, historia = 0, deshaz = 0;
};

// One run on the fresh database `url`: the base catalogue from `base`, untimed, then the
// timed download from `perfil`.
Medida Corre(const QString& url, int n, const QString& base, const QString& perfil, int cambiados,
             bool historial, const QString& carpeta) {
    PreparaBase(*Connection::Abre(url), base);
    const QByteArrayList entorno =
        historial ? QByteArrayList() : QByteArrayList{"KD562_BANCO_SIN_HISTORIAL=1"};
    const QByteArrayList sync = {"sync", "--yes", "--allow-shrink", "--list"};
    const Ejecucion primera = EjecutaKd562(sync, url, carpeta, entorno);
    ExigeLista(primera, n);
    Connection::Abre(url)->Ejecuta(
        QStringLiteral("UPDATE Pos_Servicio_Configuracion SET Psc_URL = ?"), {perfil});
    Sosiega(url);

    const Ejecucion descarga = EjecutaKd562(sync, url, carpeta, entorno);
    ExigeLista(descarga, n);
    ExigeResumen(descarga, n, cambiados);
    Medida m{descarga.medida.segundos, descarga.medida.megas};

    // The download's own entry, the latest one, and the service rows it kept.
    qint64 entrada = 0;
    qint64 filas = -1;
    {
        auto cnn = Connection::Abre(url);
        entrada = cnn->Execute(QStringLiteral("SELECT MAX(Psd_Numero) FROM Pos_Servicio_Descarga"))
                      .Fields(0)
                      .toLongLong();
        if (entrada > 0)
            filas = cnn->Ejecuta(QStringLiteral("SELECT COUNT(*) FROM "
                                                "Pos_Servicio_Descarga_Cambio WHERE Psd_Numero = ? "
                                                "AND Psdc_Clase = 'S+'"),
                                 {entrada})
                        .Fields(0)
                        .toLongLong();
    }
    if (!historial) {
        if (entrada != 0)
            Falla(QStringLiteral("sin historial, el historial tiene la entrada %1").arg(entrada),
                  descarga);
        return m;
    }
    if (entrada != 2 || filas != cambiados)
        Falla(QStringLiteral("la entrada %1 guarda %2 servicios cambiados, no %3")
                  .arg(entrada)
                  .arg(filas)
                  .arg(cambiados),
              descarga);

    const Ejecucion historia =
        EjecutaKd562({"history", QByteArray::number(entrada)}, url, carpeta, {}, true);
    historia.ExigeExito();
    m.historia = historia.medida.segundos;

    Sosiega(url);
    const Ejecucion deshaz = EjecutaKd562({"undo", "--yes", "--list"}, url, carpeta);
    ExigeLista(deshaz, n);
    if (deshaz.huella != primera.huella)
        Falla(QStringLiteral("la lista que dejó no es la del catálogo base"), deshaz);
    m.deshaz = deshaz.medida.segundos;
    return m;
}

double Mediana(std::vector<double> valores) {
    std::sort(valores.begin(), valores.end());
    return valores[valores.size() / 2];
}

// Where the runs go: a fresh database for a mark, and its removal.
struct Motor {
    const char* nombre;
    std::function<QString(const QString& marca)> nueva;
    std::function<void(const QString& marca)> borra;
};

} // namespace

int MideHistorial(const OpcionesHistorial& opciones, const QString& carpeta) {
    std::vector<Motor> motores;
    motores.push_back(
        {"sqlite",
         [&](const QString& marca) {
             return QStringLiteral("sqlite:%1/historial_%2.db").arg(carpeta, marca);
         },
         [&](const QString& marca) {
             const QString ruta = QStringLiteral("%1/historial_%2.db").arg(carpeta, marca);
             for (const QString& sufijo : {QString(), QStringLiteral("-journal"),
                                           QStringLiteral("-wal"), QStringLiteral("-shm")})
                 QFile::remove(ruta + sufijo);
         }});
    const QString servidor = qEnvironmentVariable("KD562_PG_URL");
    if (!servidor.isEmpty())
        motores.push_back({"postgresql",
                           [servidor](const QString& marca) {
                               return Esquema(servidor, QStringLiteral("historial_") + marca);
                           },
                           [servidor](const QString& marca) {
                               Connection::Abre(servidor)->Execute(
                                   QStringLiteral("DROP SCHEMA historial_%1 CASCADE").arg(marca));
                           }});
    std::erase_if(motores, [&](const Motor& m) {
        return !opciones.motor.isEmpty() && opciones.motor != QLatin1String(m.nombre);
    });
    std::vector<Perfil> perfiles(std::begin(kPerfiles), std::end(kPerfiles));
    std::erase_if(perfiles, [&](const Perfil& p) {
        return !opciones.perfil.isEmpty() && opciones.perfil != QLatin1String(p.nombre);
    });
    if (motores.empty() || perfiles.empty()) {
        std::fprintf(stderr, "nada que medir con el motor \"%s\" y el perfil \"%s\"\n",
                     qPrintable(opciones.motor), qPrintable(opciones.perfil));
        return 2;
    }

    std::printf("%-11s %9s %-6s | %8s %8s %7s | %7s | %9s %7s\n", "motor", "servicios", "perfil",
                "e2e sin", "e2e con", "extra %", "MB con", "history N", "undo");
    std::fflush(stdout);
    int numero = 0;
    for (const int n : opciones.tamanos) {
        const QJsonArray catalogo = Catalogo(n, false);
        auto sirve = [](QJsonArray servicios) {
            simulador::Configuracion configuracion;
            configuracion.catalogo = std::move(servicios);
            auto s = std::make_unique<simulador::SimuladorPasarela>(configuracion);
            if (!s->Inicia()) {
                std::fprintf(stderr, "el simulador no pudo escuchar\n");
                std::exit(1);
            }
            return s;
        };
        const auto base = sirve(catalogo);
        for (const Motor& motor : motores) {
            for (const Perfil& perfil : perfiles) {
                int cambiados = 0;
                // A simulator of its own even for the same reply: the account moves each time.
                const auto otro = sirve(Cambiado(catalogo, perfil.cada, cambiados));
                std::vector<double> sin, con, megas, historia, deshaz;
                for (int vez = 0; vez < kVeces; ++vez) {
                    for (const bool historial : {false, true}) {
                        const QString marca = QString::number(++numero);
                        const Medida m = Corre(motor.nueva(marca), n, base->URL(), otro->URL(),
                                               cambiados, historial, carpeta);
                        motor.borra(marca);
                        std::fprintf(stderr, "%s %d %s %s: e2e %.3f s, %.0f MB", motor.nombre, n,
                                     perfil.nombre, historial ? "con" : "sin", m.e2e, m.megas);
                        if (historial)
                            std::fprintf(stderr, ", history %.3f s, undo %.3f s", m.historia,
                                         m.deshaz);
                        std::fprintf(stderr, "\n");
                        (historial ? con : sin).push_back(m.e2e);
                        if (historial) {
                            megas.push_back(m.megas);
                            historia.push_back(m.historia);
                            deshaz.push_back(m.deshaz);
                        }
                    }
                }
                const double e2eSin = Mediana(sin), e2eCon = Mediana(con);
                std::printf("%-11s %9d %-6s | %8.3f %8.3f %7.1f | %7.1f | %9.3f %7.3f\n",
                            motor.nombre, n, perfil.nombre, e2eSin, e2eCon,
                            (e2eCon / e2eSin - 1) * 100, Mediana(megas), Mediana(historia),
                            Mediana(deshaz));
                std::fflush(stdout);
            }
        }
    }
    return 0;
}

} // namespace banco
