#pragma once
// The kd562 program run as a process on a fresh database of its own, for the command-line
// tests.
#include "BaseTemporal.h"
#include "SimuladorPasarela.h"
#include "data/Historial.h"
#include "data/Tablas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>
#include <QUrlQuery>
#include <QtTest>
#include <memory>
#include <sys/stat.h>

namespace linea {

using prueba::Corrida;

inline QJsonArray Catalogo(const char* json = R"([
        {"PRODUCTO": "TEL100", "DESCRIPCION": "Televia", "GRUPO": "TAE", "MONTO": 100, "OBSERVACION": ""},
        {"PRODUCTO": "LUZ", "DESCRIPCION": "Pago de luz", "GRUPO": "SERVICIOS", "MONTO": 0, "OBSERVACION": "Nota"}])") {
    return QJsonDocument::fromJson(json).array();
}

// The program on a fresh database of its own, with configuration files of its own.
class Kd562 {
public:
    Corrida Corre(QStringList argumentos, const QByteArray& entrada = {},
                  const QString& db = QString(), const QStringList& variables = {}) {
        return CorreSolo(QStringList{"--operator", "CAJA9", "--db", db.isEmpty() ? Db() : db} +
                             argumentos,
                         entrada, variables);
    }
    // Exactly these arguments. "JOURNAL_STREAM=diario": standard error goes to a file that the
    // variable names by device and inode, as the journal's stream would be.
    Corrida CorreSolo(const QStringList& argumentos, const QByteArray& entrada = {},
                      const QStringList& variables = {},
                      const QString& programa = QString(KD562_EXE)) {
        const QString diario = mConfig.filePath("diario");
        const bool alDiario = variables.contains("JOURNAL_STREAM=diario");
        Corrida c = prueba::Corre(programa, argumentos, entrada, [&](QProcess& proceso) {
            proceso.setWorkingDirectory(Carpeta());
            // "show" keeps the toolkit's diagnostics; a runtime folder of its own keeps them
            // quiet.
            QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
            entorno.insert("XDG_RUNTIME_DIR", mConfig.path());
            entorno.insert("XDG_CONFIG_HOME", mConfig.path());
            entorno.insert("KD562_CONF_SISTEMA", ConfSistema());
            for (const QString& v : variables)
                entorno.insert(v.section('=', 0, 0), v.section('=', 1));
            if (alDiario) {
                QFile(diario).open(QIODevice::WriteOnly | QIODevice::Truncate);
                struct stat estado {};
                ::stat(QFile::encodeName(diario).constData(), &estado);
                entorno.insert("JOURNAL_STREAM",
                               QString("%1:%2").arg(estado.st_dev).arg(estado.st_ino));
                proceso.setStandardErrorFile(diario, QIODevice::Append);
            }
            proceso.setProcessEnvironment(entorno);
        });
        QFile errores(diario);
        if (alDiario && errores.open(QIODevice::ReadOnly))
            c.errores = QString::fromUtf8(errores.readAll());
        return c;
    }
    // init, then an account at url for user t: whether both went well.
    bool Prepara(const QString& url) {
        return Corre({"init"}).salida == 0 &&
               Corre({"account", "--url", url, "--user", "t"}).salida == 0;
    }
    // The same at a gateway simulator of its own, Pasarela(): c, with the two services of
    // Catalogo() when it names none.
    bool Prepara(simulador::Configuracion c = {}) {
        if (c.catalogo.isEmpty())
            c.catalogo = Catalogo();
        mPasarela = std::make_unique<simulador::SimuladorPasarela>(std::move(c));
        return mPasarela->Inicia() != 0 && Prepara(mPasarela->URL());
    }
    simulador::SimuladorPasarela& Pasarela() { return *mPasarela; }
    // On PostgreSQL: runs the command as a login role that may only do `permisos` on the
    // three tables.
    Corrida ConRol(const QString& permisos, const QStringList& argumentos) {
        CreaRol(permisos);
        const Corrida c = ComoRol(argumentos);
        BorraRol();
        return c;
    }
    // The role of ConRol, kept across commands: "Caja-PID", a name that SQL must quote.
    QString Rol() const { return QString("Caja-%1").arg(QCoreApplication::applicationPid()); }
    void CreaRol(const QString& permisos) {
        const QString rol = '"' + Rol() + '"';
        Ejecuta("DROP ROLE IF EXISTS " + rol);
        Ejecuta("CREATE ROLE " + rol + " LOGIN");
        Ejecuta("GRANT USAGE ON SCHEMA " + QUrlQuery(QUrl(Db())).queryItemValue("schema") + " TO " +
                rol);
        Ejecuta("GRANT " + permisos +
                " ON Pos_Servicio_Configuracion, Pos_Servicio_Producto, Producto TO " + rol);
    }
    Corrida ComoRol(const QStringList& argumentos, const QStringList& variables = {}) {
        QUrl url(Db());
        url.setUserName(Rol());
        return Corre(argumentos, {}, url.toString(), variables);
    }
    void BorraRol() {
        Ejecuta("DROP OWNED BY \"" + Rol() + '"');
        Ejecuta("DROP ROLE \"" + Rol() + '"');
    }
    QString Db() const { return mBase.Url(); }
    void Ejecuta(const QString& sql) const { corvanta::Connection::Abre(Db())->Execute(sql); }
    // How many of the module's tables the database has: three, and the history's two.
    int Tablas() const {
        auto cnn = corvanta::Connection::Abre(Db());
        return 3 - int(kd562::TablasFaltantes(*cnn).size()) +
               (kd562::ExisteHistorial(*cnn) ? 2 : 0);
    }
    QString Carpeta() const { return mBase.Carpeta(); }
    QString ConfSistema() const { return mConfig.filePath("sistema.conf"); }
    QString ConfUsuario() const { return mConfig.filePath("kd562/kd562.conf"); }
    // Every row the query returns, one line each with its fields joined by '|'.
    QString Volcado(const QString& sql) const {
        return prueba::Consulta(*corvanta::Connection::Abre(Db()), sql).join('\n');
    }

private:
    QTemporaryDir mConfig;
    prueba::BaseNueva mBase;
    std::unique_ptr<simulador::SimuladorPasarela> mPasarela;
};

inline void Escribe(const QString& ruta, const QString& texto) {
    QDir().mkpath(QFileInfo(ruta).path());
    QFile archivo(ruta);
    QVERIFY(archivo.open(QIODevice::WriteOnly | QIODevice::Truncate));
    archivo.write(texto.toUtf8());
}

} // namespace linea
