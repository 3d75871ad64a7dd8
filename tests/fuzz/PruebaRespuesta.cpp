#include "PruebaRespuesta.h"

#include "catalogue/PlanDescarga.h"
#include "data/Tablas.h"
#include "gateway/Respuesta.h"
#include "runtime/Connection.h"
#include "runtime/Error.h"
#include "runtime/Valores.h"

#include <QByteArray>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace corvanta;

namespace {

Connection& Base() {
    static std::unique_ptr<Connection> cnn = [] {
        auto c = Connection::Abre(QStringLiteral("sqlite::memory:"));
        kd562::CreaTablas(*c);
        c->Execute(QStringLiteral("INSERT INTO Producto (Pr_Cve_Producto) VALUES ('centinela')"));
        return c;
    }();
    return *cnn;
}

qlonglong Cuenta(const char* sql) {
    return Base().Execute(QString::fromLatin1(sql)).Fields(0).toLongLong();
}

[[noreturn]] void Falla(const char* que, const QString& clave) {
    std::fprintf(stderr, "%s\n%s\n", que, clave.left(2000).toUtf8().constData());
    std::abort();
}

} // namespace

void PruebaRespuesta(const uint8_t* datos, size_t tamano) {
    Respuesta respuesta;
    QString motivo;
    const QByteArray cuerpo(reinterpret_cast<const char*>(datos), static_cast<qsizetype>(tamano));
    if (!Respuesta::Lee(cuerpo, respuesta, motivo)) {
        if (motivo.isEmpty())
            Falla("una respuesta rechazada sin motivo", QString());
        return;
    }
    Connection& cnn = Base();
    cnn.Execute(QStringLiteral("DELETE FROM Pos_Servicio_Producto"));
    try {
        Concatena(respuesta.Item("code").Valor());
        const int n = respuesta.Item("result").Count();
        for (int i = 1; i <= n && i <= 64; ++i) {
            const Respuesta elemento = respuesta.Item("result").Item(i);
            kd562::FilaServicio fila;
            try {
                fila = kd562::LeeServicio(elemento);
            } catch (const Error&) {
                continue; // an element the screen refuses: the download would roll back
            }
            const QString& sql = fila.Clave; // named in a failure report
            const qlonglong antes = Cuenta("SELECT COUNT(*) FROM Pos_Servicio_Producto");
            try {
                cnn.InsertaLote(QStringLiteral("Pos_Servicio_Producto"), kd562::ColumnasServicio(),
                                {kd562::ValoresServicio(fila, QStringLiteral("2026-01-01T00:00:00"),
                                                        QStringLiteral("O'PER"))});
            } catch (const Error&) {
                // Refused by the engine: nothing may have changed.
                if (Cuenta("SELECT COUNT(*) FROM Pos_Servicio_Producto") != antes)
                    Falla("una fila rechazada dejó filas", sql);
                continue;
            }
            if (Cuenta("SELECT COUNT(*) FROM Pos_Servicio_Producto") != antes + 1)
                Falla("una fila no quedó escrita exactamente una vez", sql);
            if (Cuenta("SELECT COUNT(*) FROM Producto WHERE Pr_Cve_Producto = 'centinela'") != 1 ||
                Cuenta("SELECT COUNT(*) FROM Producto") != 1)
                Falla("escribir una fila tocó otra tabla", sql);
            Recordset guardada = cnn.Execute(QStringLiteral(
                "SELECT Psp_Cve_Producto, Psp_Descripcion, Psp_Observacion, Oper_Alta FROM "
                "Pos_Servicio_Producto ORDER BY rowid DESC LIMIT 1"));
            if (Concatena(guardada.Fields(0)) != Concatena(elemento.Item("PRODUCTO").Valor()) ||
                Concatena(guardada.Fields(1)) != Concatena(elemento.Item("DESCRIPCION").Valor()) ||
                Concatena(guardada.Fields(2)) != Concatena(elemento.Item("OBSERVACION").Valor()) ||
                Concatena(guardada.Fields(3)) != QStringLiteral("O'PER"))
                Falla("los textos no se guardaron tal como llegaron", sql);
        }
    } catch (const Error&) {
        // A reply without the expected members: the screen reports it and changes nothing.
    }
}
