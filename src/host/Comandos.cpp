#include "host/Comandos.h"

#include "controls/Etiqueta.h"
#include "controls/ListView.h"
#include "data/Historial.h"
#include "data/Tablas.h"
#include "forms/CargaModulo.h"
#include "host/Anfitrion.h"
#include "host/DatosDemo.h"
#include "host/Salida.h"
#include "runtime/Error.h"
#include "runtime/EscapaLinea.h"
#include "runtime/Funciones.h"
#include "runtime/MensajesConsola.h"
#include "runtime/Sesion.h"
#include "runtime/Valores.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <sys/stat.h>

using namespace corvanta;

namespace kd562host {

namespace {

MensajesConsola& Consola() {
    return static_cast<MensajesConsola&>(Sesion::Mensajes());
}

// The command failed after its action when the screen warned, failed, or was told No.
int Resultado() {
    const MensajesConsola& consola = Consola();
    if (consola.Cuenta(Critico) > 0 || consola.Cuenta(Exclamacion) > 0 ||
        consola.RespuestasNo() > 0)
        return Rechazado;
    return Hecho;
}

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

void ImprimeLista(PantallaSuite* pantalla, QTextStream& salida) {
    QWidget* ventana = pantalla->Ventana();
    auto* lista = ventana->findChild<ListView*>(QStringLiteral("lvRegistros"));
    auto* total = ventana->findChild<Etiqueta*>(QStringLiteral("lbTotal"));
    if (!lista || !total)
        throw Error(QStringLiteral("La pantalla no tiene la lista de servicios"));
    QStringList encabezados;
    for (int c = 1; c <= lista->ColumnCount(); ++c)
        encabezados.append(EscapaLinea(lista->ColumnHeader(c)));
    if (!encabezados.isEmpty())
        salida << encabezados.join(QLatin1Char('\t')) << '\n';
    for (int i = 1; i <= lista->ListItemsCount(); ++i) {
        QStringList celdas;
        for (int c = 0; c < lista->ColumnCount(); ++c)
            celdas.append(EscapaLinea(lista->SubItem(i, c)));
        salida << celdas.join(QLatin1Char('\t')) << '\n';
    }
    if (!total->Caption().isEmpty())
        salida << EscapaLinea(total->Caption()) << '\n';
    salida.flush();
}

QToolButton* Boton(QWidget* ventana, const QString& nombre) {
    auto* boton = ventana->findChild<QToolButton*>(nombre);
    if (!boton)
        throw Error(QStringLiteral("La pantalla no tiene el botón %1").arg(nombre));
    return boton;
}

int ComandoInit(const Opciones& opciones, QTextStream& salida) {
    kd562::CreaTablas(Sesion::Conexion());
    if (opciones.demo) {
        const int agregados = AgregaProductosDemo(Sesion::Conexion());
        salida << QStringLiteral("Productos de muestra agregados: %1").arg(agregados) << Qt::endl;
    }
    return Hecho;
}

int ComandoList(const Opciones& opciones, QTextStream& salida) {
    Anfitrion anfitrion;
    PantallaSuite* pantalla = CreaPantalla(opciones, &anfitrion);
    anfitrion.Abre(pantalla);
    // A screen that failed to load its list reported it with a critical message.
    const int resultado = Consola().Cuenta(Critico) > 0 ? Rechazado : Hecho;
    ImprimeLista(pantalla, salida);
    anfitrion.close();
    return resultado;
}

// The wait before try `intento` + 1: about 30 s, doubling each time, with a fifth either way
// at random so that tills do not all come back at once, up to 10 min; the gateway's own
// Retry-After replaces it (up to the same cap). KD562_ESCALA_ESPERAS scales the computed
// waits, for tests.
double EsperaReintento(int intento, int reintentarEnS) {
    constexpr double kTope = 600;
    if (reintentarEnS >= 0)
        return std::min<double>(reintentarEnS, kTope);
    const double base = std::min(kTope, 30.0 * std::pow(2.0, intento - 1));
    const double azar = 0.8 + 0.4 * QRandomGenerator::global()->generateDouble();
    bool ok = false;
    const double escala = qEnvironmentVariable("KD562_ESCALA_ESPERAS").toDouble(&ok);
    return std::min(kTope, base * azar) * (ok && escala >= 0 ? escala : 1.0);
}

int ComandoSync(const Opciones& opciones, QTextStream& salida) {
    Anfitrion anfitrion;
    PantallaSuite* pantalla = CreaPantalla(opciones, &anfitrion);
    anfitrion.Abre(pantalla);
    // Unattended, a reply that would retire most of the catalogue stops before writing.
    pantalla->setProperty("Simulacion", opciones.simulacion);
    pantalla->setProperty("LimitaRetiros", !opciones.permiteReduccion);
    // A failure that may pass by itself is tried again, by pressing the button again; the
    // screen itself retries nothing.
    const int intentos = opciones.simulacion ? 1 : 1 + opciones.reintentos;
    int resultado = Hecho;
    for (int intento = 1;; ++intento) {
        Consola().Reinicia();
        Boton(pantalla->Ventana(), QStringLiteral("b1"))->click();
        resultado = Resultado();
        if (resultado == Hecho || intento == intentos ||
            !pantalla->property("FallaTransitoria").toBool())
            break;
        const double espera = EsperaReintento(intento, pantalla->property("ReintentarEnS").toInt());
        Aviso(QStringLiteral("el intento %1 de %2 falló; el siguiente empieza a las %3 (en %4 s)")
                  .arg(intento)
                  .arg(intentos)
                  .arg(QDateTime::currentDateTime()
                           .addMSecs(qint64(espera * 1000))
                           .toString(QStringLiteral("HH:mm:ss")))
                  .arg(qRound(espera)),
              PrioridadAviso);
        std::fflush(stderr);
        QThread::msleep(static_cast<unsigned long>(espera * 1000));
    }
    for (const QString& linea : anfitrion.Resumen())
        EscribeLinea(stderr, linea);
    // Only a preview that went through has something to say it did not keep.
    if (opciones.simulacion && resultado == Hecho)
        EscribeLinea(stderr, QStringLiteral("Simulación: no se guardó ningún cambio"));
    // In the journal every failed night ends in one line at priority "err", whatever the
    // style of the message that told why.
    if (resultado != Hecho && !opciones.simulacion && EnDiario())
        Aviso(QStringLiteral("la descarga no se guardó (estado %1)").arg(resultado));
    std::fflush(stderr);
    ImprimeLista(pantalla, salida);
    anfitrion.close();
    return resultado;
}

// The summary on standard error, then the list on standard output.
void ImprimeResultado(const Anfitrion& anfitrion, PantallaSuite* pantalla, QTextStream& salida) {
    for (const QString& linea : anfitrion.Resumen())
        EscribeLinea(stderr, linea);
    std::fflush(stderr);
    ImprimeLista(pantalla, salida);
}

int ComandoUndo(const Opciones& opciones, QTextStream& salida) {
    Connection& cnn = Sesion::Conexion();
    if (!kd562::ExisteHistorial(cnn) || !kd562::UltimaPorDeshacer(cnn)) {
        EscribeLinea(stderr, QStringLiteral("No hay descargas que deshacer"), PrioridadAviso);
        return Rechazado;
    }
    Anfitrion anfitrion;
    PantallaSuite* pantalla = CreaPantalla(opciones, &anfitrion);
    anfitrion.Abre(pantalla);
    Consola().Reinicia();
    QMetaObject::invokeMethod(pantalla, "DeshazDescarga", Qt::DirectConnection,
                              Q_ARG(bool, opciones.forzar));
    const int resultado = Resultado();
    ImprimeResultado(anfitrion, pantalla, salida);
    anfitrion.close();
    return resultado;
}

QString Celda(const std::optional<std::array<int, 7>>& cuentas, size_t i) {
    return cuentas ? QString::number((*cuentas)[i]) : QString();
}

int ComandoHistory(const Opciones& opciones, QTextStream& salida) {
    Connection& cnn = Sesion::Conexion();
    const bool existe = kd562::ExisteHistorial(cnn);
    if (opciones.entrada > 0) {
        if (!existe || !kd562::LeeEntrada(cnn, opciones.entrada)) {
            EscribeLinea(
                stderr,
                QStringLiteral("No hay una entrada %1 en el historial").arg(opciones.entrada));
            return Rechazado;
        }
        for (const QStringList& linea : kd562::LineasDeCambios(cnn, opciones.entrada)) {
            QStringList celdas;
            for (const QString& celda : linea)
                celdas.append(EscapaLinea(celda));
            salida << celdas.join(QLatin1Char('\t')) << '\n';
        }
        return Hecho;
    }
    salida << "Número\tFecha\tOperador\tTerminal\tOrigen\tResultado\tServicios nuevos\t"
              "Servicios retirados\tServicios cambiados\tServicios sin cambio\tProductos "
              "nuevos\tProductos cambiados\tProductos sin cambio\tMensaje\n";
    if (!existe)
        return Hecho;
    for (const kd562::EntradaHistorial& e : kd562::LeeHistorial(cnn, opciones.limite)) {
        QStringList celdas = {
            QString::number(e.numero), e.fecha, e.operador, e.terminal, e.origen, e.resultado};
        for (size_t i = 0; i < 7; ++i)
            celdas.append(Celda(e.cuentas, i));
        celdas.append(e.mensaje);
        for (QString& celda : celdas)
            celda = EscapaLinea(celda);
        salida << celdas.join(QLatin1Char('\t')) << '\n';
    }
    return Hecho;
}

// "3 h 20 min" between two server dates.
QString Edad(qint64 segundos) {
    const qint64 minutos = std::max<qint64>(0, segundos) / 60;
    return minutos >= 60 ? QStringLiteral("%1 h %2 min").arg(minutos / 60).arg(minutos % 60)
                         : QStringLiteral("%1 min").arg(minutos);
}

int ComandoStatus(const Opciones& opciones, QTextStream& salida) {
    Connection& cnn = Sesion::Conexion();
    const std::optional<kd562::EntradaHistorial> ultima =
        kd562::ExisteHistorial(cnn) ? kd562::UltimaConfirmada(cnn) : std::nullopt;
    if (!ultima) {
        salida << "Aún no hay historial de descargas\n";
        return Rechazado;
    }
    const QDateTime ahora = Funciones().FechaServidor();
    const auto edad = [&](const QString& fecha) {
        return QDateTime::fromString(fecha, Qt::ISODate).secsTo(ahora);
    };
    // "Descarga 12 (deshecha después)" or "Deshacer 13 (de la descarga 12)".
    QString cual = ultima->resultado == kd562::Resultado::Deshacer
                       ? QStringLiteral("Deshacer %1 (de la descarga %2)")
                             .arg(ultima->numero)
                             .arg(ultima->deshace)
                       : QStringLiteral("Descarga %1").arg(ultima->numero);
    if (ultima->resultado == kd562::Resultado::Deshecha)
        cual += QStringLiteral(" (deshecha después)");
    salida << EscapaLinea(QStringLiteral("%1: %2, hace %3, por %4 en %5")
                              .arg(cual, ultima->fecha, Edad(edad(ultima->fecha)), ultima->operador,
                                   ultima->terminal))
           << '\n';
    if (ultima->cuentas) {
        const auto& n = *ultima->cuentas;
        salida << QStringLiteral("Servicios: %1 nuevos, %2 retirados, %3 cambiados, %4 sin "
                                 "cambio\nProductos: %5 nuevos, %6 cambiados, %7 sin cambio\n")
                      .arg(n[0])
                      .arg(n[1])
                      .arg(n[2])
                      .arg(n[3])
                      .arg(n[4])
                      .arg(n[5])
                      .arg(n[6]);
    }
    // The catalogue as that entry left it, or changed by hand since.
    PantallaSuite* pantalla = CreaPantalla(opciones, qApp);
    QString huella;
    QMetaObject::invokeMethod(pantalla, "HuellaCatalogoActual", Qt::DirectConnection,
                              Q_RETURN_ARG(QString, huella));
    salida << (huella == ultima->huellaCatalogo
                   ? QStringLiteral("El catálogo está como lo dejó la entrada %1\n")
                   : QStringLiteral("El catálogo cambió después de la entrada %1\n"))
                  .arg(ultima->numero);
    int resultado = Hecho;
    if (const auto intento = kd562::IntentoPosterior(cnn, ultima->numero)) {
        salida << EscapaLinea(QStringLiteral("Después, %1 (%2): %3")
                                  .arg(intento->fecha, intento->resultado, intento->mensaje))
               << '\n';
        resultado = Rechazado;
    }
    if (opciones.edadMaxima > 0) {
        const std::optional<kd562::EntradaHistorial> descarga = kd562::UltimaDescarga(cnn);
        if (!descarga || edad(descarga->fecha) > opciones.edadMaxima * 3600) {
            salida << QStringLiteral("La última descarga tiene más de %1 h\n")
                          .arg(opciones.edadMaxima);
            resultado = Rechazado;
        }
    }
    return resultado;
}

QString LeePassword() {
    std::string linea;
    if (!std::getline(std::cin, linea) && linea.empty())
        throw Error(QStringLiteral("No se recibió la contraseña por la entrada estándar"));
    QString password = QString::fromStdString(linea);
    if (password.endsWith(QLatin1Char('\r')))
        password.chop(1);
    return password;
}

int ComandoAccount(const Opciones& opciones, QTextStream& /*salida*/) {
    std::optional<QString> password;
    if (opciones.passwordStdin)
        password = LeePassword();
    Anfitrion anfitrion;
    PantallaSuite* pantalla = CreaPantalla(opciones, &anfitrion);
    anfitrion.Abre(pantalla);
    Consola().Reinicia();

    bool guardado = false;
    bool dialogoVisto = false;
    // The dialog is modal: it is filled and accepted from inside its own loop.
    QTimer::singleShot(0, &anfitrion, [&] {
        QWidget* dialogo = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("frmConfiguracion") && w->isVisible())
                dialogo = w;
        if (!dialogo)
            return;
        dialogoVisto = true;
        auto rellena = [&](const char* nombre, const std::optional<QString>& valor) {
            if (!valor)
                return;
            if (auto* caja = dialogo->findChild<QLineEdit*>(QString::fromLatin1(nombre)))
                caja->setText(*valor);
        };
        rellena("txtUrlWs", opciones.url);
        rellena("txtUsuario", opciones.usuario);
        rellena("txtPassword", password);
        Boton(dialogo, QStringLiteral("b1"))->click();
        guardado = !dialogo->isVisible();
        if (!guardado)
            Boton(dialogo, QStringLiteral("b2"))->click();
    });
    Boton(pantalla->Ventana(), QStringLiteral("b3"))->click();
    anfitrion.close();
    if (!dialogoVisto)
        return Rechazado;
    return guardado && Resultado() == Hecho ? Hecho : Rechazado;
}

int ComandoShow(const Opciones& opciones) {
    auto* anfitrion = new Anfitrion;
    anfitrion->setAttribute(Qt::WA_DeleteOnClose);
    PantallaSuite* pantalla = CreaPantalla(opciones, qApp);
    anfitrion->Abre(pantalla);
    return QApplication::exec();
}

} // namespace

int EjecutaComando(const Opciones& opciones, QTextStream& salida) {
    // The database is checked before any screen is shown: a bad path is a usage error.
    // Only init may create the database file.
    const bool init = opciones.comando == QStringLiteral("init");
    try {
        Sesion::setCreaBase(init);
        AvisaSiOtrosLeen(Sesion::Conexion().Url());
        if (!init)
            CompruebaTablas();
        CompruebaColumnas();
    } catch (const std::exception& e) {
        Aviso(DescripcionDe(e));
        return ErrorDeUso;
    }
    try {
        if (init)
            return ComandoInit(opciones, salida);
        if (opciones.comando == QStringLiteral("list"))
            return ComandoList(opciones, salida);
        if (opciones.comando == QStringLiteral("sync"))
            return ComandoSync(opciones, salida);
        if (opciones.comando == QStringLiteral("account"))
            return ComandoAccount(opciones, salida);
        if (opciones.comando == QStringLiteral("history"))
            return ComandoHistory(opciones, salida);
        if (opciones.comando == QStringLiteral("status"))
            return ComandoStatus(opciones, salida);
        if (opciones.comando == QStringLiteral("undo"))
            return ComandoUndo(opciones, salida);
        return ComandoShow(opciones);
    } catch (const std::exception& e) {
        Aviso(DescripcionDe(e));
        return ErrorDeUso;
    }
}

} // namespace kd562host
