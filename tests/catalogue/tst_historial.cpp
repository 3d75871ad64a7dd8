// The history against a model: random sequences of downloads, undos and edits by hand, on
// both engines. After every step the tables hold what the sequence implies (an undo gives
// back exactly what its download found, and refuses when anything it touched changed
// since), and every entry's changes are exactly the difference it made.
#include "PantallaDePrueba.h"
#include "catalogue/frmHistorial.h"
#include "data/Historial.h"

#include <QRandomGenerator>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <map>
#include <set>

using namespace corvanta;
using prueba::Servicio;

namespace {

const QString kServicios = "Pos_Servicio_Producto(Psp_Cve_Producto, Psp_Descripcion, Psp_Tipo, "
                           "Psp_Grupo, Psp_Monto, Psp_Observacion, Pr_Cve_Producto)";
const QString kProductos =
    "Producto(Pr_Cve_Producto, Pr_Clave_Corta, Pr_Texto1, Pr_Descripcion, Pr_Descripcion_Corta, "
    "Pr_Codigo1, Pr_Codigo2, Pr_Precio, Pr_Valor1, Pr_Valor2, Pr_Valor3, Pr_Valor4, Pr_Grupo, "
    "Pr_Unidad, Pr_Impuesto)";

// The content the history keeps: services and products without dates and operators, one
// line per row, sorted.
struct Estado {
    QStringList servicios, productos;
    bool operator==(const Estado&) const = default;
};

Estado Lee(prueba::BaseTemporal& t) {
    return {t.Filas({kServicios}), t.Filas({kProductos})};
}

// A product's line by its key.
std::map<QString, QString> PorClave(const QStringList& productos) {
    std::map<QString, QString> m;
    for (const QString& p : productos)
        m[p.section('|', 0, 0)] = p;
    return m;
}

// Service lines by (key, amount).
std::map<std::pair<QString, QString>, QStringList> PorPar(const QStringList& servicios) {
    std::map<std::pair<QString, QString>, QStringList> m;
    for (const QString& s : servicios)
        m[{s.section('|', 0, 0), s.section('|', 4, 4)}].append(s);
    return m;
}

// A line as the history prints it: NULL as nothing.
QString Historial(const QString& linea) {
    QStringList celdas = linea.split('|');
    for (QString& c : celdas)
        if (c == "NULL")
            c.clear();
    return celdas.join('\t');
}

// The lines history N must print for the step from antes to despues, sorted.
QStringList Diferencia(const Estado& antes, const Estado& despues) {
    QStringList lineas;
    const auto viejos = PorPar(antes.servicios), nuevos = PorPar(despues.servicios);
    std::map<std::pair<QString, QString>, std::pair<QStringList, QStringList>> pares;
    for (const auto& [par, filas] : viejos)
        pares[par].first = filas;
    for (const auto& [par, filas] : nuevos)
        pares[par].second = filas;
    for (const auto& [par, lados] : pares) {
        if (lados.first == lados.second)
            continue;
        if (lados.first.size() == 1 && lados.second.size() == 1) {
            lineas.append("~\t" + Historial(lados.first[0]) + '\t' + Historial(lados.second[0]));
            continue;
        }
        for (const QString& f : lados.first)
            lineas.append("-\t" + Historial(f));
        for (const QString& f : lados.second)
            lineas.append("+\t" + Historial(f));
    }
    const auto pa = PorClave(antes.productos), pd = PorClave(despues.productos);
    for (const auto& [clave, linea] : pd) {
        const auto vieja = pa.find(clave);
        if (vieja == pa.end())
            lineas.append("+\t" + Historial(linea));
        else if (vieja->second != linea)
            lineas.append("~\t" + Historial(vieja->second) + '\t' + Historial(linea));
    }
    lineas.sort();
    return lineas;
}

QStringList Lineas(Connection& cnn, qint64 numero) {
    QStringList lineas;
    for (const QStringList& l : kd562::LineasDeCambios(cnn, numero))
        lineas.append(l.join('\t'));
    lineas.sort();
    return lineas;
}

// A download that committed: the tables as it found them and as it left them.
struct DescargaHecha {
    qint64 numero;
    Estado antes, despues;
};

// What an undo of d leaves when the tables are now `ahora`: the pairs d touched get the rows
// they had before it, the products it changed their values before it.
Estado Deshecho(const DescargaHecha& d, const Estado& ahora) {
    const auto antes = PorPar(d.antes.servicios), despues = PorPar(d.despues.servicios);
    std::set<std::pair<QString, QString>> tocados;
    for (const auto* lado : {&antes, &despues})
        for (const auto& [par, filas] : *lado)
            if (antes.count(par) == 0 || despues.count(par) == 0 ||
                antes.at(par) != despues.at(par))
                tocados.insert(par);
    Estado e;
    for (const auto& [par, filas] : PorPar(ahora.servicios))
        if (!tocados.count(par))
            e.servicios += filas;
    for (const auto& par : tocados)
        if (antes.count(par))
            e.servicios += antes.at(par);
    const auto pa = PorClave(d.antes.productos), pd = PorClave(d.despues.productos);
    for (auto [clave, linea] : PorClave(ahora.productos)) {
        const auto vieja = pa.find(clave);
        if (vieja != pa.end() && pd.count(clave) && pd.at(clave) != vieja->second)
            linea = vieja->second;
        e.productos.append(linea);
    }
    e.servicios.sort();
    e.productos.sort();
    return e;
}

// Whether the tables are as d left them, as far as an undo of d looks.
bool ComoLosDejo(const DescargaHecha& d, const Estado& ahora) {
    if (ahora.servicios != d.despues.servicios)
        return false;
    const auto pa = PorClave(d.antes.productos), pd = PorClave(d.despues.productos),
               pn = PorClave(ahora.productos);
    for (const auto& [clave, linea] : pd)
        if (pa.count(clave) && pa.at(clave) != linea && (!pn.count(clave) || pn.at(clave) != linea))
            return false;
    return true;
}

// The products d changed that are gone from `ahora`.
QStringList Borrados(const DescargaHecha& d, const Estado& ahora) {
    const auto pa = PorClave(d.antes.productos), pd = PorClave(d.despues.productos),
               pn = PorClave(ahora.productos);
    QStringList claves;
    for (const auto& [clave, linea] : pd)
        if (pa.count(clave) && pa.at(clave) != linea && !pn.count(clave))
            claves.append(clave);
    return claves;
}

// A catalogue with repeated keys and pairs; sometimes one row the mapping refuses.
QJsonArray Catalogo(QRandomGenerator& azar, bool rechazo) {
    const QStringList descripciones = {"Saldo Local", "Saldo Nacional", "Televia",
                                       "Weex",        "Agua potable",   "Pago de luz"};
    const QJsonArray montos = {10, 20, 12.5, "30"};
    QJsonArray catalogo;
    const int n = 3 + int(azar.bounded(8));
    for (int i = 0; i < n; ++i) {
        const QString descripcion = descripciones[azar.bounded(int(descripciones.size()))];
        catalogo.append(Servicio(
            QStringLiteral("S%1").arg(azar.bounded(5)), descripcion,
            descripcion.startsWith("Pago") || descripcion.startsWith("Agua") ? "SERVICIOS" : "TAE",
            montos[azar.bounded(int(montos.size()))], azar.bounded(3) ? "" : "nota"));
    }
    if (rechazo)
        catalogo.append(Servicio("X", "", "TAE", 10));
    return catalogo;
}

// An edit by hand, outside any download.
void Edita(prueba::PantallaDePrueba& t, QRandomGenerator& azar) {
    const QString clave = QStringLiteral("S%1").arg(azar.bounded(5));
    switch (azar.bounded(6)) {
    case 0:
        t.Ejecuta("UPDATE Pos_Servicio_Producto SET Psp_Descripcion = 'a mano' WHERE "
                  "Psp_Cve_Producto = ?",
                  {clave});
        break;
    case 1:
        t.Ejecuta("DELETE FROM Pos_Servicio_Producto WHERE Psp_Cve_Producto = ?", {clave});
        break;
    case 2: // a row another program wrote: no amount, another type, NULL remark
        t.Ejecuta("INSERT INTO Pos_Servicio_Producto (Psp_Cve_Producto, Psp_Descripcion, "
                  "Psp_Tipo, Psp_Grupo, Pr_Cve_Producto) VALUES (?, 'Otro', '02', 'TAE', '')",
                  {clave});
        break;
    case 3:
        t.Ejecuta("UPDATE Producto SET Pr_Precio = Pr_Precio + 1, Pr_Texto1 = NULL WHERE "
                  "Pr_Cve_Producto IN (SELECT MIN(Pr_Cve_Producto) FROM Producto)");
        break;
    case 4: // taken off sale: it stays off, whatever an undo gives back
        t.Ejecuta("DELETE FROM Producto WHERE Pr_Cve_Producto IN (SELECT MAX(Pr_Cve_Producto) "
                  "FROM Producto)");
        break;
    default:
        t.Ejecuta("UPDATE Pos_Servicio_Producto SET Psp_Observacion = NULL WHERE "
                  "Psp_Cve_Producto = ?",
                  {clave});
    }
}

} // namespace

class TstHistorial : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { KD562_SALTA_SIN_SERVIDOR(); }

    void secuencias_data() {
        QTest::addColumn<quint32>("semilla");
        for (quint32 semilla : {1u, 2u, 3u, 4u})
            QTest::newRow(qPrintable(QStringLiteral("semilla %1").arg(semilla))) << semilla;
    }
    void secuencias() {
        QFETCH(quint32, semilla);
        QRandomGenerator azar(semilla);
        prueba::PantallaDePrueba t;
        t.Muestra();
        std::vector<DescargaHecha> pila; // downloads not undone, the latest last
        int intentos = 0, deshechas = 0, negadas = 0, ediciones = 0;
        for (int paso = 0; paso < 30; ++paso) {
            const Estado antes = Lee(t);
            const int accion = int(azar.bounded(10));
            if (accion < 5) {
                const bool rechazo = azar.bounded(6) == 0;
                t.CambiaPasarela(prueba::ConCatalogo(Catalogo(azar, rechazo)));
                t.Descarga();
                const std::optional<kd562::EntradaHistorial> ultima =
                    kd562::UltimaPorDeshacer(t.Cnn());
                if (rechazo) { // an attempt: recorded, nothing changed
                    QCOMPARE(Lee(t), antes);
                    const auto intento = kd562::IntentoPosterior(t.Cnn(), 0);
                    QVERIFY(intento && intento->resultado == kd562::Resultado::Rechazada);
                    QCOMPARE(intento->mensaje, t.Mensajes().Ultimo().texto);
                    QVERIFY(kd562::LineasDeCambios(t.Cnn(), intento->numero).empty());
                    ++intentos;
                    continue;
                }
                QVERIFY(ultima);
                pila.push_back({ultima->numero, antes, Lee(t)});
                QCOMPARE(Lineas(t.Cnn(), ultima->numero), Diferencia(antes, pila.back().despues));
            } else if (accion < 8) {
                const bool forzar = azar.bounded(3) == 0;
                t.Mensajes().Limpia();
                t.Pantalla().DeshazDescarga(forzar);
                if (pila.empty()) {
                    QCOMPARE(t.Mensajes().Ultimo().texto, "No hay descargas que deshacer");
                    QCOMPARE(Lee(t), antes);
                    continue;
                }
                if (!forzar && !ComoLosDejo(pila.back(), antes)) {
                    const QString texto = t.Mensajes().Ultimo().texto;
                    QVERIFY2(texto.contains("cambiaron después"), qPrintable(texto));
                    for (const QString& clave : Borrados(pila.back(), antes))
                        QVERIFY2(texto.contains(clave), qPrintable(texto));
                    QCOMPARE(Lee(t), antes);
                    ++negadas;
                    continue;
                }
                ++deshechas;
                QCOMPARE(t.Mensajes().Cuenta(), 1); // the question only
                QCOMPARE(Lee(t), Deshecho(pila.back(), antes));
                const auto deshacer = kd562::UltimaConfirmada(t.Cnn());
                QVERIFY(deshacer && deshacer->resultado == kd562::Resultado::Deshacer);
                QCOMPARE(deshacer->deshace, pila.back().numero);
                QCOMPARE(kd562::LeeEntrada(t.Cnn(), pila.back().numero)->resultado,
                         kd562::Resultado::Deshecha);
                QCOMPARE(Lineas(t.Cnn(), deshacer->numero), Diferencia(antes, Lee(t)));
                pila.pop_back();
            } else {
                Edita(t, azar);
                ++ediciones;
            }
            QVERIFY(!t.Cnn().EnTransaccion());
        }
        // Every kind of step came up (seed by seed they differ).
        QVERIFY(deshechas > 0 && ediciones > 0 && intentos + negadas > 0);
    }

    // A product the download changed and that was taken off sale since stays off: the undo
    // names it when it refuses, and the forced one gives the services back without it.
    void productoBorradoDespues() {
        prueba::PantallaDePrueba t({Servicio("LUZ", "Pago de luz", "SERVICIOS", 0)});
        t.Descarga();
        const Estado primera = Lee(t);
        t.CambiaPasarela(prueba::ConCatalogo({Servicio("LUZ", "Pago de luz CFE", "SERVICIOS", 0)}));
        t.Descarga();
        t.Ejecuta("DELETE FROM Producto");
        const Estado borrado = Lee(t);
        t.Pantalla().DeshazDescarga(false);
        QVERIFY2(t.Mensajes().Ultimo().texto.endsWith("no se deshizo nada (Productos borrados "
                                                      "después de la descarga 2, que siguen "
                                                      "borrados: Pago de lu)"),
                 qPrintable(t.Mensajes().Ultimo().texto));
        QCOMPARE(Lee(t), borrado);
        t.Pantalla().DeshazDescarga(true);
        QCOMPARE(Lee(t), (Estado{primera.servicios, {}}));
        QCOMPARE(t.Resumen().mid(1),
                 QStringList({"Productos: 0 nuevos, 0 cambiados, 0 sin cambio",
                              "Productos que creó la descarga 2 y se quedan: 0",
                              "Productos borrados después de la descarga 2, que siguen "
                              "borrados: Pago de lu"}));
    }

    // The history dialog: entries newest first, the selected one's changes field by field;
    // its undo gives back the exact rows of a download, and after hand edits it names the
    // touched service and the deleted product, and undoes anyway when told to.
    void dialogo() {
        prueba::PantallaDePrueba t({Servicio("LUZ", "Pago de luz", "SERVICIOS", 0)});
        t.Descarga();
        const Estado primera = Lee(t);
        t.CambiaPasarela(
            prueba::ConCatalogo({Servicio("LUZ", "Pago de luz CFE", "SERVICIOS", 0, "nota")}));
        QStringList entradas, cambios;
        QSize ventana, lista; // the dialog's, and its list of changes laid out in it
        const auto enDialogo = [&](const std::function<void()>& antesDeCerrar) {
            QTimer::singleShot(0, [&] {
                kd562::frmHistorial& d = kd562::frmHistorial::Instancia();
                ventana = d.Ventana()->size();
                lista = d.lstCambios->size();
                entradas.clear();
                for (int i = 0; i < d.lvEntradas->topLevelItemCount(); ++i)
                    entradas.append(d.lvEntradas->topLevelItem(i)->text(0) + " " +
                                    d.lvEntradas->topLevelItem(i)->text(5));
                cambios.clear();
                for (int i = 0; i < d.lstCambios->count(); ++i)
                    cambios.append(d.lstCambios->item(i)->text());
                antesDeCerrar();
                QTest::mouseClick(d.cmdCerrar, Qt::LeftButton);
            });
            QTest::mouseClick(t.Pantalla().Controles->Boton(2), Qt::LeftButton);
        };
        const auto deshace = [&] {
            QTest::mouseClick(kd562::frmHistorial::Instancia().cmdDeshacer, Qt::LeftButton);
        };
        for (const bool aMano : {false, true}) {
            t.Descarga();
            if (aMano) {
                t.Ejecuta("UPDATE Pos_Servicio_Producto SET Psp_Grupo = 'LUZ'");
                t.Ejecuta("DELETE FROM Producto");
            }
            t.Mensajes().Limpia();
            enDialogo(deshace);
            QCOMPARE(entradas.first(), QString(aMano ? "4 guardada" : "2 guardada"));
            QCOMPARE(cambios,
                     QStringList({"~ servicio LUZ (0): Psp_Descripcion: «Pago de luz» → «Pago de "
                                  "luz CFE»; Psp_Observacion: «» → «nota»",
                                  "~ producto Pago de lu: Pr_Descripcion: «Pago de luz» → «Pago "
                                  "de luz CFE»; Pr_Descripcion_Corta: «Pago de luz» → «Pago de "
                                  "luz CFE»"}));
            if (!aMano) {
                QCOMPARE(Lee(t), primera);
                continue;
            }
            // The refusal, then the offer that names what changed, No its default.
            QCOMPARE(t.Mensajes().Cuenta(), 3);
            QCOMPARE(prueba::Firma(t.Mensajes().En(2)), "292|Deshacer de todos modos?||KD562");
            QVERIFY2(t.Mensajes().En(2).texto.startsWith(
                         "Después de la descarga 4 cambiaron:\r\nproducto Pago de lu "
                         "(borrado)\r\nservicio LUZ\r\n\r\n"),
                     qPrintable(t.Mensajes().En(2).texto));
            QCOMPARE(Lee(t), (Estado{primera.servicios, {}}));
        }
        QCOMPARE(entradas.size(), 4);
        QCOMPARE(ventana, QSize(760, 440));
        QVERIFY2(lista.width() > 600 && lista.height() > 100,
                 qPrintable(QString::number(lista.height())));
        QCOMPARE(kd562::UltimaConfirmada(t.Cnn())->deshace, 4);
        QCOMPARE(t.Total(), "Total: 0"); // the screen loaded again: the service lost its product
    }
};

QTEST_MAIN(TstHistorial)
#include "tst_historial.moc"
