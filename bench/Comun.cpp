#include "Comun.h"

#include "component/Publico.h"
#include "data/Tablas.h"
#include "runtime/Cifrado.h"
#include "runtime/Connection.h"

#include <QJsonObject>
#include <QUrl>

using namespace corvanta;

namespace banco {

namespace {

const char* const kDescripciones[] = {"Televia",
                                      "AT&T",
                                      "Flash Mobile",
                                      "Weex",
                                      "Paquete Amigo Sin Limite",
                                      "Saldo Local",
                                      "Pago de luz domestica",
                                      "Agua potable"};

} // namespace

// A quarter of the services are bills. With `prefijo` each bill has a description of its
// own but all share the first ten characters, which is all a bill's product key takes, so
// their keys collide.
QJsonArray Catalogo(int n, bool prefijo) {
    QJsonArray catalogo;
    for (int i = 0; i < n; ++i) {
        const bool tae = i % 8 < 6;
        const QString descripcion =
            prefijo && !tae ? QStringLiteral("Pago de servicio %1").arg(i, 6, 10, QChar('0'))
                            : QString::fromUtf8(kDescripciones[i % 8]);
        // Distinct amounts keep the products distinct, as in a real catalogue.
        catalogo.append(QJsonObject{{"PRODUCTO", QStringLiteral("S%1").arg(i, 6, 10, QChar('0'))},
                                    {"DESCRIPCION", descripcion},
                                    {"GRUPO", tae ? "TAE" : "SERVICIOS"},
                                    {"MONTO", tae ? 10 + i / 8 : 0},
                                    {"OBSERVACION", i % 50 == 0 ? "Error: suspendido" : ""}});
    }
    return catalogo;
}

void PreparaBase(Connection& cnn, const QString& pasarela) {
    kd562::CreaTablas(cnn);
    Cifrado cifrado;
    cifrado.setLlave(kd562::LlaveCifrado);
    cnn.Ejecuta(QStringLiteral("INSERT INTO Pos_Servicio_Configuracion (Psc_URL, Psc_Usuario, "
                               "Psc_Password) VALUES (?, 'bench', ?)"),
                {pasarela, cifrado.Transforma(QStringLiteral("x"))});
}

QString Esquema(const QString& servidor, const QString& nombre, quint16 puerto) {
    auto admin = Connection::Abre(servidor);
    admin->Execute(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(nombre));
    admin->Execute(QStringLiteral("CREATE SCHEMA %1").arg(nombre));
    QUrl url(servidor);
    url.setQuery(QStringLiteral("schema=") + nombre);
    if (puerto)
        url.setPort(puerto);
    return url.toString();
}

} // namespace banco
