#pragma once
// The kd562 program run as a process on a fresh database of its own, for the command-line
// tests.
#include "BaseNueva.h"
#include "data/Historial.h"
#include "data/Tablas.h"
#include "runtime/Connection.h"
#include "runtime/Valores.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

namespace linea {

struct Corrida {
    int salida = -1;
    QString estandar;
    QString errores;
};

// The program on a fresh database of its own, with configuration files of its own.
class Kd562 {
public:
    Corrida Corre(QStringList argumentos, const QByteArray& entrada = {},
                  const QString& db = QString(), const QStringList& variables = {}) {
        return CorreSolo(QStringList{"--operator", "CAJA9", "--db", db.isEmpty() ? Db() : db} +
                             argumentos,
                         entrada, variables);
    }
    // Exactly these arguments.
    Corrida CorreSolo(const QStringList& argumentos, const QByteArray& entrada = {},
                      const QStringList& variables = {},
                      const QString& programa = QStringLiteral(KD562_EXE)) {
        QProcess proceso;
        proceso.setWorkingDirectory(Carpeta());
        // "show" keeps the toolkit's diagnostics; a runtime folder of its own keeps them quiet.
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(QStringLiteral("XDG_RUNTIME_DIR"), mConfig.path());
        entorno.insert(QStringLiteral("KD562_CONF_SISTEMA"), ConfSistema());
        entorno.insert(QStringLiteral("XDG_CONFIG_HOME"), mConfig.path());
        // "JOURNAL_STREAM=diario": standard error goes to a file that the variable names by
        // device and inode, as the journal's stream would be.
        const QString diario = mConfig.filePath(QStringLiteral("diario"));
        for (const QString& v : variables) {
            QString valor = v.section(QLatin1Char('='), 1);
            if (v == QStringLiteral("JOURNAL_STREAM=diario")) {
                QFile(diario).open(QIODevice::WriteOnly | QIODevice::Truncate);
                struct stat estado {};
                ::stat(QFile::encodeName(diario).constData(), &estado);
                valor = QStringLiteral("%1:%2").arg(estado.st_dev).arg(estado.st_ino);
                proceso.setStandardErrorFile(diario, QIODevice::Append);
            }
            entorno.insert(v.section(QLatin1Char('='), 0, 0), valor);
        }
        proceso.setProcessEnvironment(entorno);
        proceso.start(programa, argumentos);
        proceso.write(entrada);
        proceso.closeWriteChannel();
        proceso.waitForFinished(120000);
        QFile errores(diario);
        return {proceso.exitStatus() == QProcess::NormalExit ? proceso.exitCode() : -1,
                QString::fromUtf8(proceso.readAllStandardOutput()),
                variables.contains(QStringLiteral("JOURNAL_STREAM=diario")) &&
                        errores.open(QIODevice::ReadOnly)
                    ? QString::fromUtf8(errores.readAll())
                    : QString::fromUtf8(proceso.readAllStandardError())};
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
    QString ConfSistema() const { return mConfig.filePath(QStringLiteral("sistema.conf")); }
    QString ConfUsuario() const { return mConfig.filePath(QStringLiteral("kd562/kd562.conf")); }
    // Every row the query returns, one line each with its fields joined by '|'.
    QString Volcado(const QString& sql) const {
        QStringList filas;
        auto cnn = corvanta::Connection::Abre(Db());
        for (corvanta::Recordset rs = cnn->Execute(sql); !rs.Eof(); rs.MoveNext()) {
            QStringList celdas;
            for (int i = 0; i < rs.FieldCount(); ++i)
                celdas.append(corvanta::Concatena(rs.Fields(i)));
            filas.append(celdas.join(QLatin1Char('|')));
        }
        return filas.join(QLatin1Char('\n'));
    }

private:
    QTemporaryDir mConfig;
    prueba::BaseNueva mBase;
};

inline QJsonArray Catalogo(const char* json = R"([
        {"PRODUCTO": "TEL100", "DESCRIPCION": "Televia", "GRUPO": "TAE", "MONTO": 100, "OBSERVACION": ""},
        {"PRODUCTO": "LUZ", "DESCRIPCION": "Pago de luz", "GRUPO": "SERVICIOS", "MONTO": 0, "OBSERVACION": "Nota"}])") {
    return QJsonDocument::fromJson(json).array();
}

inline void Escribe(const QString& ruta, const QString& texto) {
    QDir().mkpath(QFileInfo(ruta).path());
    QFile archivo(ruta);
    QVERIFY(archivo.open(QIODevice::WriteOnly | QIODevice::Truncate));
    archivo.write(texto.toUtf8());
}

} // namespace linea
