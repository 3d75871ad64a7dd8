// The keys the plan derives; the planned download against the download written one statement
// per row, as the screen first did it; then the guard against a shrunken catalogue.
#include "PantallaDePrueba.h"
#include "catalogue/ClaveProducto.h"
#include "runtime/Error.h"
#include "runtime/Funciones.h"
#include "runtime/Productos.h"
#include "runtime/Valores.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace corvanta;
using prueba::Servicio;

namespace {

// Every service's INSERT as SQL text; then for each stored row a look-up, a product save and
// an UPDATE of every row with the same key and amount; all in one transaction on the
// session's connection. Empty text when it committed, else the message it rolled back with.
QString DescargaFilaPorFila(const QJsonArray& catalogo) {
    Connection& cnn = Sesion::Conexion();
    auto texto = [](const Respuesta& e, const char* campo) {
        const QString t = Concatena(e.Item(campo).Valor());
        if (!EsTextoGuardable(t))
            throw Error("carácter no válido");
        return "'" + Comillas(t) + "', ";
    };
    cnn.BeginTrans();
    try {
        cnn.Execute("DELETE FROM Pos_Servicio_Producto ");
        const Respuesta resultado = Respuesta(QJsonObject{{"result", catalogo}}).Item("result");
        for (int i = 1; i <= resultado.Count(); ++i) {
            const Respuesta e = resultado.Item(i);
            cnn.Execute("INSERT INTO Pos_Servicio_Producto (Psp_Cve_Producto, Psp_Descripcion, "
                        "Psp_Tipo, Psp_Grupo, Psp_Monto, Psp_Observacion, Pr_Cve_Producto, "
                        "Oper_Alta, Oper_Ult_Modif) VALUES (" +
                        texto(e, "PRODUCTO") + texto(e, "DESCRIPCION") + "'01', " +
                        texto(e, "GRUPO") + NumeroSQL(Doble(e.Item("MONTO").Valor())) + ", " +
                        texto(e, "OBSERVACION") + "'', 'OPER01', 'OPER01')");
        }
        Recordset rs = cnn.Execute("SELECT * FROM Pos_Servicio_Producto ");
        QString rechazo = rs.Eof() ? "No se encontró información de servicios configurados" : "";
        Productos productos;
        for (; !rs.Eof() && rechazo.isEmpty(); rs.MoveNext()) {
            const QString grupo = Texto(rs.Fields("Psp_Grupo"));
            const QString descripcion = Texto(rs.Fields("Psp_Descripcion"));
            const double monto = Doble(rs.Fields("Psp_Monto"));
            const QString clave = kd562::ClaveProducto(grupo, descripcion, monto);
            const QString corta = kd562::ClaveCortaProducto(descripcion, monto, clave);
            rechazo = "AddProducto()" + clave + " - " + descripcion + "\r\n: \r\n";
            bool nuevo = Funciones().Busqueda("Producto", "Pr_Cve_Producto", clave,
                                              "Pr_Cve_Producto") != clave;
            Recordset p = cnn.Ejecuta("SELECT Pr_Codigo1, Pr_Codigo2, Pr_Descripcion FROM "
                                      "Producto WHERE Pr_Cve_Producto = ?",
                                      {clave});
            DatosProducto t{clave, corta, QString(), descripcion, Primeros(descripcion, 30),
                            "99",  "SR",  monto,     -1,          -1,
                            -1,    -1,    grupo,     QString(),   0};
            if (!nuevo && (Concatena(p.Fields(0)) != "99" || Concatena(p.Fields(1)) != "SR"))
                rechazo += QStringLiteral("La clave %1 ya es del producto \"%2\" de la tienda, que "
                                          "no viene de la pasarela; no se guardó ningún cambio")
                               .arg(clave, Concatena(p.Fields(2)));
            else if (!productos.GuardaProducto(t, nuevo))
                rechazo += productos.MensajeError();
            else
                rechazo.clear();
            cnn.Execute(QStringLiteral("UPDATE Pos_Servicio_Producto SET Pr_Cve_Producto = '%1' "
                                       "WHERE Psp_Cve_Producto = '%2' AND Psp_Monto = %3")
                            .arg(Comillas(clave), Comillas(Texto(rs.Fields("Psp_Cve_Producto"))),
                                 NumeroSQL(monto)));
        }
        rechazo.isEmpty() ? cnn.CommitTrans() : cnn.RollbackTrans();
        return rechazo;
    } catch (const std::exception& e) {
        cnn.RollbackTrans();
        return DescripcionDe(e);
    }
}

// Repeated service keys and key-and-amount pairs, carriers that share a product key, quotes
// and SQL, characters beyond the BMP, nulls, amounts as text, negative and huge; with
// rechazo, one service with no description.
QJsonArray Genera(quint32 semilla, int n, bool rechazo) {
    const QStringList descripciones =
        QString("Televia|TELEVIA| Televia|AT&T|Weex|Flash Mobile|Saldo Local|Saldo Nacional|Agua "
                "potable|O'Higgins /* */|Paquete Amigo Sin Limite|Recarga 1😀|Pago'; DROP TABLE "
                "Producto; --")
            .split('|');
    const QJsonArray grupos = {"TAE", "TAE", "TAE", "SERVICIOS", "tae", "SERV'", QJsonValue()};
    const QJsonArray montos = {10, 20, 20.5, 100, 12.25, "50", "7.5", " 100 ", -50, 1e300};
    const QJsonArray notas = {"", "it's", "Error: suspendido", "a; b -- c", "🚀", QJsonValue()};
    QRandomGenerator azar(semilla);
    auto uno = [&](const auto& lista) { return lista.at(azar.bounded(int(lista.size()))); };
    QJsonArray catalogo;
    for (int i = 0; i < n; ++i) {
        const int clave = static_cast<int>(azar.bounded(n / 3 + 1));
        catalogo.append(Servicio(QString::fromLatin1(clave % 7 ? "S%1" : "S'%1").arg(clave),
                                 uno(descripciones), uno(grupos), uno(montos), uno(notas)));
    }
    if (rechazo)
        catalogo[n / 2] = Servicio("X", "", "TAE", 10);
    return catalogo;
}

// Statements that write fail on the session's connection while `si`.
void SoloLectura(prueba::BaseTemporal& base, bool si) {
    if (prueba::EsPostgreSql())
        base.Ejecuta(si ? "SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY"
                        : "SET SESSION CHARACTERISTICS AS TRANSACTION READ WRITE");
    else
        base.Ejecuta(si ? "PRAGMA query_only = ON" : "PRAGMA query_only = OFF");
}

// The list's lines, those of one service key sorted: the list's statement orders by the key
// alone.
QStringList Renglones(const prueba::PantallaDePrueba& t) {
    QList<QStringList> columnas;
    for (int c = 0; c < 7; ++c)
        columnas.append(t.Lista(c));
    QStringList renglones;
    for (qsizetype i = 0; i < columnas[0].size(); ++i) {
        QStringList r;
        for (const QStringList& columna : columnas)
            r.append(columna[i]);
        renglones.append(r.join('|'));
    }
    for (qsizetype i = 0, j = 0; i < renglones.size(); i = j) {
        for (j = i; j < renglones.size() && columnas[0][j] == columnas[0][i];)
            ++j;
        std::sort(renglones.begin() + i, renglones.begin() + j);
    }
    return renglones;
}

// A shop that downloaded before: two of its service products and one product of its own.
void PreparaTienda(prueba::BaseTemporal& base) {
    base.Ejecuta("INSERT INTO Producto (Pr_Cve_Producto, Pr_Descripcion, Pr_Codigo1, Pr_Codigo2, "
                 "Pr_Precio, Pr_Unidad) VALUES ('20Sal', 'Saldo viejo', '99', 'SR', 20, "
                 "'SERVICIO'), ('100ASL', 'Amigo', '99', 'SR', 100, NULL), ('REF600', 'Refresco', "
                 "NULL, NULL, 18, 'PIEZA')");
    base.AgregaServicio("S1", "Saldo viejo", "TAE", 20, QString(), "20Sal");
    base.AgregaServicio("V9", "Retirado", "TAE", 5, "x", "REF600");
}

} // namespace

class TstPlan : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { KD562_SALTA_SIN_SERVIDOR(); }

    // A leading comma: under a locale whose decimal separator is a comma.
    void claves_data() {
        QTest::addColumn<QString>("caso"); // group|description|amount|key|short key
        for (const char* caso :
             {"TAE|Paquete Amigo Sin Limite|100|100ASL|100ASL", "TAE|TELEVIA|200|200TELE|200TLV",
              "TAE|WEEX|1000|1000WEEX|1000WE", "TAE|Saldo Local|20|20Sal|20Sal",
              "TAE|Flash Mobile|50|50FLMB|50FLB", "TAE| Televia|200|200 Tel|200TLV",
              "SERVICIOS|Pago de luz domestica|0|Pago de lu|Pago d",
              "tae|Paquete Amigo Sin Limite|100|Paquete Am|100ASL", "TAE |WEEX|100|WEEX|100WEX",
              "TAE|  paquete amigo sin limite  |100|100ASL|100ASL",
              "TAE|PAQUETE  AMIGO SIN LIMITE|100|100PAQ|100PAQ",
              "TAE|Paquete Internet Movistar|100.125|100.125PQI|100.12", "TAE|AT&T|30|30ATT|30ATT",
              "TAE|Internet Amigo|50|50ITA|50ITA", "TAE|Internet Movistar|50|50INTM|50ITM",
              "SERVICIOS||0||", ",TAE|Saldo Local|12.5|12,5Sal|12,5Sa",
              ",TAE|Televia|12.5|12,5Tele|12,5TL", "OTRO|Recarga 1😀 total|0|Recarga 1|Recarg"})
            QTest::newRow(caso) << QString(caso);
    }
    void claves() {
        QFETCH(QString, caso);
        QLocale::setDefault(caso.startsWith(',') ? QLocale(QLocale::German) : QLocale::c());
        const QStringList c = caso.mid(caso.startsWith(',')).split('|');
        const QString clave = kd562::ClaveProducto(c[0], c[1], c[2].toDouble());
        QCOMPARE(clave + '|' + kd562::ClaveCortaProducto(c[1], c[2].toDouble(), clave),
                 c[3] + '|' + c[4]);
        QLocale::setDefault(QLocale::c());
    }

    void igualQueFilaPorFila_data() {
        QTest::addColumn<quint32>("semilla");
        QTest::addColumn<int>("servicios");
        QTest::addColumn<bool>("coma"); // a comma decimal separator
        QTest::addColumn<bool>("rechazo");
        QTest::newRow("punto") << 1u << 300 << false << false;
        QTest::newRow("coma") << 2u << 300 << true << false;
        QTest::newRow("pocas claves") << 3u << 40 << false << false;
        QTest::newRow("rechazo a la mitad") << 4u << 120 << true << true;
    }
    void igualQueFilaPorFila() {
        QFETCH(quint32, semilla);
        QFETCH(int, servicios);
        QFETCH(bool, coma);
        QFETCH(bool, rechazo);
        const QJsonArray catalogo = Genera(semilla, servicios, rechazo);
        QString mensaje;
        QStringList planeado;
        for (int vez = 0; vez < 2; ++vez) {
            prueba::PantallaDePrueba t(catalogo);
            PreparaTienda(t);
            const QStringList antes = t.Filas();
            QLocale::setDefault(coma ? QLocale(QLocale::German) : QLocale::c());
            if (vez == 0) {
                // The preview first, where nothing may be written: it changes nothing and
                // says what the download then does, with the list it then shows.
                SoloLectura(t, true);
                t.Pantalla().bSimulacion = true;
                t.Descarga();
                t.Pantalla().bSimulacion = false;
                SoloLectura(t, false);
                QCOMPARE(t.Filas(), antes);
                QCOMPARE(t.Mensajes().Cuenta(), rechazo ? 1 : 0);
                const QString previsto = rechazo ? t.Mensajes().Ultimo().texto : "";
                // The preview adds the guard's line where a download would retire too much.
                QStringList resumen = t.Resumen();
                resumen.removeIf([](const QString& l) { return l.startsWith("La descarga"); });
                const QStringList lista = Renglones(t);

                t.Descarga();
                QVERIFY(t.Mensajes().Cuenta() >= 1); // the question
                mensaje.clear();                     // the refusal, after the questions
                for (const auto& r : t.Mensajes().Registros())
                    if (!PideSiNo(r.mensaje.estilo))
                        mensaje = r.mensaje.texto;
                planeado = t.Filas();
                QCOMPARE(planeado == antes, rechazo);
                QCOMPARE(mensaje, previsto);
                if (!rechazo) {
                    QCOMPARE(t.Resumen(), resumen);
                    QCOMPARE(Renglones(t), lista);
                }
            } else {
                QCOMPARE(mensaje, DescargaFilaPorFila(catalogo));
                QCOMPARE(planeado, t.Filas());
            }
        }
    }

    // Two of the three stored pairs would go: more than half. Simulated, nothing is asked, the
    // list is as it would be and the guard's line joins the summary (stopping and going on
    // unattended: tst_kd562::ronda).
    void retiroMasivo_data() {
        QTest::addColumn<QJsonArray>("catalogo");
        QTest::addColumn<int>("nulos"); // more stored rows, of one key without an amount
        QTest::addColumn<bool>("limita");
        QTest::addColumn<bool>("simula");
        QTest::addColumn<QString>("esperado"); // the styles shown, the total, the summary
        QTest::newRow("simulada")
            << QJsonArray{Servicio("V1", "Saldo Local", "TAE", 10),
                          Servicio("W", "Saldo Nacional", "TAE", 10)}
            << 0 << true << true
            << "\nTotal: 2\nServicios: 1 nuevos, 2 retirados, 1 cambiados, 0 sin cambio\n"
               "Productos: 1 nuevos, 0 cambiados, 0 sin cambio\nClave compartida 10Sal: Saldo "
               "Local, Saldo Nacional\nLa descarga retiraría 2 de los 3 servicios guardados, más "
               "de la mitad; no se guardó ningún cambio";
        // Rows without an amount are one pair: 1 of 4 goes, not 20 of 23.
        QJsonArray viejos;
        for (int i = 1; i <= 3; ++i)
            viejos.append(Servicio(QStringLiteral("V%1").arg(i), "Viejo", "SERVICIOS", 10 * i));
        QTest::newRow("montos nulos")
            << viejos << 20 << true << false
            << "36 36 \nTotal: 3\nServicios: 0 nuevos, 1 retirados, 0 cambiados, 3 sin cambio\n"
               "Productos: 0 nuevos, 1 cambiados, 0 sin cambio";
        // Bills whose descriptions share their first ten characters share a key: five of the
        // descriptions are named, each once.
        QJsonArray pagos;
        for (int i = 1; i <= 9; ++i)
            pagos.append(Servicio(QStringLiteral("P%1").arg(i),
                                  QStringLiteral("Pago de servicio %1").arg(i % 8 + 1), "LUZ", 0));
        QTest::newRow("clave de muchos")
            << pagos << 0 << false << false
            << "36 292 \nTotal: 9\nServicios: 9 nuevos, 3 retirados, 0 cambiados, 0 sin cambio\n"
               "Productos: 1 nuevos, 0 cambiados, 0 sin cambio\nClave compartida Pago de se: "
               "Pago de servicio 2, Pago de servicio 3, Pago de servicio 4, Pago de servicio 5, "
               "Pago de servicio 6 y 3 más";
    }
    void retiroMasivo() {
        QFETCH(QJsonArray, catalogo);
        QFETCH(int, nulos);
        QFETCH(bool, limita);
        QFETCH(bool, simula);
        QFETCH(QString, esperado);
        prueba::PantallaDePrueba t(catalogo);
        t.CatalogoViejo(3);
        for (int i = 0; i < nulos; ++i)
            t.Ejecuta("INSERT INTO Pos_Servicio_Producto (Psp_Cve_Producto, Psp_Descripcion, "
                      "Psp_Tipo, Psp_Grupo, Pr_Cve_Producto) VALUES ('N', 'Nulo', '01', 'TAE', "
                      "'Viejo')");
        const QStringList antes = t.Filas();
        t.Pantalla().bLimitaRetiros = limita;
        t.Pantalla().bSimulacion = simula;
        t.Descarga();
        QString vistos; // the styles, then what is not a question
        for (const auto& r : t.Mensajes().Registros())
            vistos += QString::number(r.mensaje.estilo) + ' ';
        for (const auto& r : t.Mensajes().Registros())
            if (!PideSiNo(r.mensaje.estilo))
                vistos += r.mensaje.texto;
        QCOMPARE(vistos + "\n" + t.Total() + "\n" + t.Resumen().join('\n'), esperado);
        QCOMPARE(t.Filas() == antes, simula);
        QVERIFY(!t.Cnn().EnTransaccion());
    }
};

QTEST_MAIN(TstPlan)
#include "tst_plan.moc"
