#include "host/EstadoDescargas.h"

#include "host/Impresora.h"
#include "host/PasosComando.h"
#include "runtime/EscapaLinea.h"

#include <QDateTime>

namespace kd562host {

namespace {

// "3 h 20 min".
QString Edad(qint64 segundos) {
    const qint64 minutos = std::max<qint64>(0, segundos) / 60;
    return minutos >= 60 ? QStringLiteral("%1 h %2 min").arg(minutos / 60).arg(minutos % 60)
                         : QStringLiteral("%1 min").arg(minutos);
}

QString Horas(double horas) {
    return QString::number(horas);
}

// "Descarga 12 (deshecha después)" or "Deshacer 13 (de la descarga 12)".
QString Cual(const kd562::EntradaHistorial& e) {
    QString cual =
        e.resultado == kd562::Resultado::Deshacer
            ? QStringLiteral("Deshacer %1 (de la descarga %2)").arg(e.numero).arg(e.deshace)
            : QStringLiteral("Descarga %1").arg(e.numero);
    if (e.resultado == kd562::Resultado::Deshecha)
        cual += QStringLiteral(" (deshecha después)");
    return cual;
}

QString Intento(const kd562::EntradaHistorial& e) {
    return QStringLiteral("%1 (%2): %3").arg(e.fecha, e.resultado, e.mensaje);
}

const char* NombreNivel(Nivel nivel) {
    switch (nivel) {
    case Bien:
        return "OK";
    case Advertencia:
        return "WARNING";
    case Critica:
        return "CRITICAL";
    default:
        return "UNKNOWN";
    }
}

// Seconds since the epoch of when an entry was written; 0 when there is none.
qint64 Marca(const std::optional<kd562::EntradaHistorial>& e) {
    if (!e)
        return 0;
    const QDateTime fecha = !e->instante.isEmpty() ? QDateTime::fromString(e->instante, Qt::ISODate)
                                                   : QDateTime::fromString(e->fecha, Qt::ISODate);
    return fecha.isValid() ? fecha.toSecsSinceEpoch() : 0;
}

} // namespace

void Evalua(EstadoDescargas& e, const Opciones& opciones) {
    e.motivos.clear();
    if (!e.legible) {
        e.nivel = Desconocida;
        e.motivos = {e.error};
        return;
    }
    int nivel = Bien;
    const auto peor = [&](int n, const QString& motivo) {
        nivel = std::max(nivel, n);
        e.motivos.append(motivo);
    };
    if (!e.ultima)
        peor(Critica, e.hayHistorial && e.falla
                          ? QStringLiteral("Aún no se ha guardado ninguna descarga; último "
                                           "intento, %1")
                                .arg(Intento(*e.falla))
                          : QStringLiteral("Aún no hay historial de descargas"));
    else if (e.falla)
        peor(Critica, QStringLiteral("Después, %1").arg(Intento(*e.falla)));
    const bool vieja = e.descarga ? e.edadDescarga > opciones.edadMaxima * 3600 : bool(e.ultima);
    if (opciones.edadMaxima > 0 && vieja)
        peor(
            Critica,
            QStringLiteral("La última descarga tiene más de %1 h").arg(Horas(opciones.edadMaxima)));
    else if (opciones.edadAviso > 0 && e.ultima &&
             (!e.descarga || e.edadDescarga > opciones.edadAviso * 3600))
        peor(Advertencia,
             QStringLiteral("La última descarga tiene más de %1 h").arg(Horas(opciones.edadAviso)));
    if (e.ultima && !e.comoLoDejo)
        peor(Advertencia,
             QStringLiteral("El catálogo cambió después de la entrada %1").arg(e.ultima->numero));
    e.nivel = Nivel(nivel);
}

QString EstadoEnTexto(const EstadoDescargas& e) {
    if (!e.ultima)
        return !e.falla ? QStringLiteral("Aún no hay historial de descargas\n")
                        : QStringLiteral("Aún no se ha guardado ninguna descarga\n") +
                              corvanta::EscapaLinea(
                                  QStringLiteral("Último intento, %1").arg(Intento(*e.falla))) +
                              QLatin1Char('\n');
    QString texto =
        corvanta::EscapaLinea(QStringLiteral("%1: %2, hace %3, por %4 en %5")
                                  .arg(Cual(*e.ultima), e.ultima->fecha, Edad(e.edadUltima),
                                       e.ultima->operador, e.ultima->terminal)) +
        QLatin1Char('\n');
    if (e.ultima->cuentas)
        texto +=
            kd562::LineasDeCuentas(*e.ultima->cuentas).join(QLatin1Char('\n')) + QLatin1Char('\n');
    texto += (e.comoLoDejo ? QStringLiteral("El catálogo está como lo dejó la entrada %1\n")
                           : QStringLiteral("El catálogo cambió después de la entrada %1\n"))
                 .arg(e.ultima->numero);
    for (const QString& motivo : e.motivos)
        if (!motivo.startsWith(QStringLiteral("El catálogo cambió")))
            texto += corvanta::EscapaLinea(motivo) + QLatin1Char('\n');
    return texto;
}

QString EstadoNagios(const EstadoDescargas& e, const Opciones& o) {
    QString texto = e.motivos.join(QStringLiteral("; "));
    if (e.nivel == Bien && e.ultima)
        texto = QStringLiteral("%1, hace %2; %3 servicios")
                    .arg(Cual(*e.ultima), Edad(e.edadUltima))
                    .arg(e.servicios);
    QString linea = QStringLiteral("KD562 %1 - %2")
                        .arg(QLatin1String(NombreNivel(e.nivel)), corvanta::EscapaLinea(texto));
    if (e.legible) {
        // label=value[UOM];warn;crit;min;max, in C numbers.
        const auto umbral = [](double horas) {
            return horas > 0 ? QString::number(qint64(horas * 3600)) : QString();
        };
        qint64 cambios = 0;
        if (e.descarga && e.descarga->cuentas)
            cambios =
                (*e.descarga->cuentas)[0] + (*e.descarga->cuentas)[1] + (*e.descarga->cuentas)[2];
        // U: no download to take the age of.
        linea += QStringLiteral(" | edad=%1;%2;%3;0; servicios=%4;;;0; cambios=%5;;;0;")
                     .arg(e.descarga ? QString::number(e.edadDescarga) + QLatin1Char('s')
                                     : QStringLiteral("U"))
                     .arg(umbral(o.edadAviso), umbral(o.edadMaxima))
                     .arg(e.servicios)
                     .arg(cambios);
    }
    return linea + QLatin1Char('\n');
}

QString EstadoPrometheus(const EstadoDescargas& e) {
    QString texto;
    const auto metrica = [&](const char* nombre, const char* ayuda,
                             const QList<std::pair<QString, qint64>>& valores) {
        texto += QStringLiteral("# HELP kd562_%1 %2\n# TYPE kd562_%1 gauge\n")
                     .arg(QLatin1String(nombre), QString::fromUtf8(ayuda));
        for (const auto& [etiqueta, valor] : valores)
            texto +=
                QStringLiteral("kd562_%1%2 %3\n").arg(QLatin1String(nombre), etiqueta).arg(valor);
    };
    metrica("base_legible", "Si se pudieron leer la base de datos y su historial (1) o no (0).",
            {{QString(), e.legible}});
    if (!e.legible)
        return texto;
    metrica("ultimo_exito_timestamp_seconds",
            "Cuándo se guardó la última descarga o deshecha, en segundos desde 1970 (0: nunca).",
            {{QString(), Marca(e.ultima)}});
    metrica("ultimo_intento_timestamp_seconds",
            "Cuándo terminó el último intento, en segundos desde 1970 (0: ninguno).",
            {{QString(), Marca(e.reciente)}});
    metrica("ultimo_intento_exitoso",
            "Si ningún intento falló después de lo último que se guardó (1) o sí (0).",
            {{QString(), e.ultima && !e.falla}});
    metrica("servicios", "Servicios guardados en el catálogo.", {{QString(), e.servicios}});
    const auto cuenta = [&](size_t i) {
        return e.descarga && e.descarga->cuentas ? qint64((*e.descarga->cuentas)[i]) : 0;
    };
    const auto cambio = [](const char* nombre) {
        return QStringLiteral("{cambio=\"%1\"}").arg(QLatin1String(nombre));
    };
    metrica("ultima_descarga_servicios", "Servicios de la última descarga guardada, por cambio.",
            {{cambio("nuevos"), cuenta(0)},
             {cambio("retirados"), cuenta(1)},
             {cambio("cambiados"), cuenta(2)},
             {cambio("sin_cambio"), cuenta(3)}});
    metrica("ultima_descarga_productos", "Productos de la última descarga guardada, por cambio.",
            {{cambio("nuevos"), cuenta(4)},
             {cambio("cambiados"), cuenta(5)},
             {cambio("sin_cambio"), cuenta(6)}});
    metrica("catalogo_como_se_dejo",
            "Si el catálogo está como lo dejó lo último que se guardó (1) o no (0).",
            {{QString(), e.ultima && e.comoLoDejo}});
    return texto;
}

void EstadoEnHechos(const EstadoDescargas& e, Impresora& impresora) {
    impresora.Hecho(QStringLiteral("estado"), QLatin1String(NombreNivel(e.nivel)));
    impresora.Hecho(QStringLiteral("motivo"), e.motivos.join(QStringLiteral("; ")));
    impresora.Hecho(QStringLiteral("base_legible"), e.legible);
    if (!e.legible)
        return;
    if (e.ultima) {
        impresora.Hecho(QStringLiteral("entrada"), e.ultima->numero);
        impresora.Hecho(QStringLiteral("resultado"), e.ultima->resultado);
        impresora.Hecho(QStringLiteral("fecha"), Fecha(*e.ultima));
        impresora.Hecho(QStringLiteral("edad_s"), e.edadUltima);
        impresora.Hecho(QStringLiteral("operador"), e.ultima->operador);
        impresora.Hecho(QStringLiteral("terminal"), e.ultima->terminal);
        impresora.Hecho(QStringLiteral("catalogo_como_se_dejo"), e.comoLoDejo);
    }
    if (e.descarga)
        impresora.Hecho(QStringLiteral("descarga_edad_s"), e.edadDescarga);
    impresora.Hecho(QStringLiteral("servicios"), e.servicios);
    if (e.falla) {
        impresora.Hecho(QStringLiteral("intento_fallido"), e.falla->numero);
        impresora.Hecho(QStringLiteral("intento_fecha"), Fecha(*e.falla));
        impresora.Hecho(QStringLiteral("intento_resultado"), e.falla->resultado);
        impresora.Hecho(QStringLiteral("intento_mensaje"), e.falla->mensaje);
    }
}

} // namespace kd562host
