#include "host/PasosComando.h"
#include "host/Comandos.h"

#include "controls/Etiqueta.h"
#include "controls/ListView.h"
#include "data/Historial.h"
#include "data/Tablas.h"
#include "forms/CargaModulo.h"
#include "host/Confirmacion.h"
#include "host/Salida.h"
#include "runtime/Error.h"
#include "runtime/EscapaLinea.h"
#include "runtime/Sesion.h"

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <cstdio>
#include <sys/stat.h>

using namespace corvanta;

namespace kd562host {

namespace {

// The database keeps the gateway account: say so when any local user may read it.
void AvisaSiOtrosLeen(const QString& url) {
    if (!url.startsWith(QStringLiteral("sqlite:")))
        return;
    const QString ruta = url.mid(7);
    struct stat estado {};
    if (::stat(QFile::encodeName(ruta).constData(), &estado) == 0 && (estado.st_mode & S_IROTH))
        Aviso(QStringLiteral("aviso: otros usuarios pueden leer la base de datos %1, que guarda "
                             "la cuenta de la pasarela; quíteles el permiso con: chmod o-rwx %1")
                  .arg(ruta),
              PrioridadAviso);
}

void CompruebaTablas() {
    const QStringList faltan = kd562::TablasFaltantes(Sesion::Conexion());
    if (!faltan.isEmpty())
        throw Error(QStringLiteral("La base de datos no tiene las tablas %1; ejecute "
                                   "\"kd562 init\" primero")
                        .arg(faltan.join(QStringLiteral(", "))));
}

// A table of the same name but another shape is not ours to use or to change.
void CompruebaColumnas() {
    const QString falta = kd562::ColumnaFaltante(Sesion::Conexion());
    if (!falta.isEmpty())
        throw Error(
            QStringLiteral("La tabla %1 no tiene la columna %2")
                .arg(falta.section(QLatin1Char('.'), 0, 0), falta.section(QLatin1Char('.'), 1)));
}

// The module's screen, owned by dueno, told where it runs from and how long the history stays.
PantallaSuite* CreaPantalla(const Opciones& opciones, QObject* dueno) {
    IModulo* modulo = CargaModulo(opciones.modulos, QStringLiteral("KD562"));
    QObject* pantalla = modulo->CreaObjeto(QStringLiteral("Pantalla"));
    if (!pantalla)
        throw Error(QStringLiteral("El módulo KD562 no ofrece la clase Pantalla"));
    pantalla->setParent(dueno);
    auto* screen =
        qobject_cast<PantallaSuite*>(pantalla->property("GetPantalla").value<QObject*>());
    if (!screen)
        throw Error(QStringLiteral("El módulo KD562 no entregó su pantalla"));
    // For the history: where it runs from and how long entries stay. KD562_BANCO_SIN_HISTORIAL
    // turns the history off, only to measure what it costs.
    screen->setProperty("Origen", opciones.comando == QStringLiteral("show")
                                      ? QStringLiteral("ventana")
                                      : QStringLiteral("linea"));
    screen->setProperty("DiasHistorial", opciones.diasHistorial);
    screen->setProperty("Historial", qEnvironmentVariableIsEmpty("KD562_BANCO_SIN_HISTORIAL"));
    return screen;
}

} // namespace

void AbreBase(bool crear) {
    Sesion::setCreaBase(crear);
    AvisaSiOtrosLeen(Sesion::Conexion().Url());
    if (!crear)
        CompruebaTablas();
    CompruebaColumnas();
}

PantallaSuite* Paso::Pantalla() {
    if (!mAnfitrion) {
        mAnfitrion = std::make_unique<Anfitrion>();
        mAnfitrion->setSilencio(opciones.silencio);
        mPantalla = CreaPantalla(opciones, mAnfitrion.get());
        mAnfitrion->Abre(mPantalla);
    }
    return mPantalla;
}

PantallaSuite* Paso::PantallaSinCargar() {
    return CreaPantalla(opciones, qApp);
}

void Paso::Cierra() {
    if (mAnfitrion)
        mAnfitrion->close();
}

MensajesConsola& Consola() {
    return static_cast<MensajesConsola&>(Sesion::Mensajes());
}

int Resultado() {
    const MensajesConsola& consola = Consola();
    if (consola.Cuenta(Critico) > 0 || consola.Cuenta(Exclamacion) > 0 ||
        consola.RespuestasNo() > 0)
        return Rechazado;
    return Hecho;
}

QToolButton* Boton(QWidget* ventana, const QString& nombre) {
    auto* boton = ventana->findChild<QToolButton*>(nombre);
    if (!boton)
        throw Error(QStringLiteral("La pantalla no tiene el botón %1").arg(nombre));
    return boton;
}

namespace {

// A heading as a JSON member's name: "Descripción" is "descripcion".
QString Clave(const QString& encabezado) {
    QString clave;
    for (const QChar c : encabezado.normalized(QString::NormalizationForm_D).toLower())
        if (c.isLetterOrNumber() && c.unicode() < 128)
            clave += c;
        else if (c.isSpace())
            clave += QLatin1Char('_');
    return clave;
}

// "Servicios: 2 nuevos, 0 retirados, 0 cambiados, 0 sin cambio" as its counts.
QVariantMap Cuentas(const QStringList& lineas) {
    static const QRegularExpression cuenta(QStringLiteral("(\\d+) ([a-z ]+?)(?:,|$)"));
    QVariantMap cuentas;
    for (const QString& linea : lineas) {
        const QString tabla = linea.section(QLatin1Char(':'), 0, 0);
        if (tabla != QStringLiteral("Servicios") && tabla != QStringLiteral("Productos"))
            continue;
        QVariantMap una;
        for (auto m = cuenta.globalMatch(linea.section(QLatin1Char(':'), 1)); m.hasNext();) {
            const QRegularExpressionMatch n = m.next();
            una.insert(n.captured(2).replace(QLatin1Char(' '), QLatin1Char('_')),
                       n.captured(1).toLongLong());
        }
        cuentas.insert(tabla.toLower(), una);
    }
    return cuentas;
}

} // namespace

bool HistorialUsable(Connection& cnn, const QStringList& permisos) {
    if (!kd562::ExisteHistorial(cnn))
        return false;
    if (const QString falta = kd562::PermisoFaltante(cnn, permisos); !falta.isEmpty())
        throw Error(QStringLiteral("No se puede usar el historial: %1; el dueño de las tablas le "
                                   "da los permisos de Pos_Servicio_Producto con \"kd562 init\"")
                        .arg(falta));
    return true;
}

QDateTime Fecha(const kd562::EntradaHistorial& entrada) {
    const QDateTime fecha = QDateTime::fromString(entrada.fecha, Qt::ISODate);
    const QDateTime instante = QDateTime::fromString(entrada.instante, Qt::ISODate);
    if (!fecha.isValid() || !instante.isValid())
        return fecha;
    // The date as the reader's session shows it (on PostgreSQL its zone, not the process's),
    // with the offset the instant gives it.
    const QDateTime comoUtc(fecha.date(), fecha.time(), Qt::UTC);
    return QDateTime(fecha.date(), fecha.time(), Qt::OffsetFromUTC, int(instante.secsTo(comoUtc)));
}

QString ConCamino(const QString& descripcion) {
    if (descripcion.startsWith(QStringLiteral("No existe la base de datos")))
        return descripcion + QStringLiteral("; créela con \"kd562 init\", o indique otra con --db "
                                            "RUTA o con db= en /etc/kd562.conf");
    return descripcion;
}

void AvisaSinSi(const Opciones& opciones, const QString& hecho) {
    if (!opciones.si && Consola().RespuestasNo() > 0 && !Interactiva(opciones))
        Aviso(hecho + QStringLiteral("; --yes responde que sí a la pregunta"), PrioridadAviso);
}

void ImprimeLista(PantallaSuite* pantalla, Impresora& impresora) {
    QWidget* ventana = pantalla->Ventana();
    auto* lista = ventana->findChild<ListView*>(QStringLiteral("lvRegistros"));
    auto* total = ventana->findChild<Etiqueta*>(QStringLiteral("lbTotal"));
    if (!lista || !total)
        throw Error(QStringLiteral("La pantalla no tiene la lista de servicios"));
    QList<Columna> columnas;
    for (int c = 1; c <= lista->ColumnCount(); ++c) {
        const QString encabezado = lista->ColumnHeader(c);
        columnas.append({encabezado, QString(), Clave(encabezado),
                         encabezado == QStringLiteral("Monto") ? Columna::Numero : Columna::Texto});
    }
    impresora.Empieza(QStringLiteral("servicios"), columnas);
    for (int i = 1; i <= lista->ListItemsCount(); ++i) {
        Fila fila;
        for (int c = 0; c < lista->ColumnCount(); ++c)
            fila.append(lista->SubItem(i, c));
        impresora.Agrega(fila);
    }
    impresora.TerminaFilas(total->Caption());
    impresora.Dato(QStringLiteral("total"), lista->ListItemsCount());
}

void ImprimeResumen(Paso& paso, Impresora& impresora, int resultado) {
    if (paso.opciones.silencio)
        return;
    const QStringList lineas = paso.Contenedor().Resumen();
    if (paso.formato != Formato::Json) {
        for (const QString& linea : lineas)
            EscribeLinea(stderr, linea);
        std::fflush(stderr);
        return;
    }
    impresora.Dato(QStringLiteral("estado"), resultado);
    impresora.Dato(QStringLiteral("resumen"), lineas);
    impresora.Dato(QStringLiteral("cuentas"), Cuentas(lineas));
}

int ImprimeResultado(Paso& paso, int resultado) {
    const std::unique_ptr<Impresora> impresora = CreaImpresora(paso.formato, paso.salida);
    ImprimeResumen(paso, *impresora, resultado);
    if (paso.opciones.conLista)
        ImprimeLista(paso.Pantalla(), *impresora);
    impresora->Termina();
    return resultado;
}

} // namespace kd562host
