#include "BaseTemporal.h"
#include "account/frmConfiguracion.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "runtime/Cifrado.h"
#include "runtime/Valores.h"

#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <functional>

using namespace corvanta;
using kd562::frmConfiguracion;
using kd562::frmKD562;

namespace {

frmConfiguracion& Dialogo() {
    return frmConfiguracion::Instancia();
}

// Opens the dialog for `usuario` as the main screen does and runs `accion` while it is
// shown modally. A dialog still open afterwards is cancelled so a failing test cannot hang.
void ConDialogo(const QString& usuario, const std::function<void()>& accion) {
    bool corrio = false;
    // Timers die with this call, so none of them reaches a later opening.
    QObject vida;
    QTimer::singleShot(0, &vida, [&] {
        corrio = true;
        QVERIFY(QTest::qWaitForWindowActive(Dialogo().Ventana()));
        accion();
        QTimer::singleShot(0, &vida, [] {
            if (Dialogo().Visible())
                Dialogo().Hide();
        });
    });
    Dialogo().Load();
    Dialogo().txtUsuario->setText(usuario);
    Dialogo().Mostrar();
    QVERIFY(corrio);
}

void Llena(const QString& url, const QString& usuario, const QString& password) {
    Dialogo().txtUrlWs->setText(url);
    Dialogo().txtUsuario->setText(usuario);
    Dialogo().txtPassword->setText(password);
}

// Every stored account as "url|user|plain password|created by|changed by|created|changed",
// sorted; a date reads "viejo" (the fixture's) or "nuevo" (any other valid one).
QStringList Cuentas(prueba::BaseTemporal& base) {
    Cifrado cifrado;
    cifrado.setLlave(kd562::LlaveCifrado);
    const auto fecha = [](const QString& f) {
        return f == "2026-01-01T00:00:00"                        ? "viejo"
               : QDateTime::fromString(f, Qt::ISODate).isValid() ? "nuevo"
                                                                 : f;
    };
    QStringList cuentas;
    for (Recordset rs = base.Cnn().Execute("SELECT Psc_URL, Psc_Usuario, Psc_Password, Oper_Alta, "
                                           "Oper_Ult_Modif, Fecha_Alta, Fecha_Ult_Modif FROM "
                                           "Pos_Servicio_Configuracion");
         !rs.Eof(); rs.MoveNext()) {
        QStringList c;
        for (int i = 0; i < rs.FieldCount(); ++i)
            c.append(i == 2   ? cifrado.Transforma(Concatena(rs.Fields(i)))
                     : i >= 5 ? fecha(Concatena(rs.Fields(i)))
                              : Concatena(rs.Fields(i)));
        cuentas.append(c.join('|'));
    }
    cuentas.sort();
    return cuentas;
}

} // namespace

class TstCuenta : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        KD562_SALTA_SIN_SERVIDOR();
        kd562::Main();
    }
    void init() { Dialogo().sUsuarioCargado.clear(); }
    void cleanup() {
        Dialogo().Unload();
        frmKD562::Instancia().Unload();
    }

    void escenario_data() {
        QTest::addColumn<QStringList>("previas"); // "url|user|password" stored before
        QTest::addColumn<QString>("abierto");     // the user the dialog is opened for
        QTest::addColumn<QString>("cargado");     // "url|user|password|loaded user" shown
        QTest::addColumn<QString>("tecleo");      // "url|user|password"; "*" keeps, "#": vez
        QTest::addColumn<QString>("accion");      // "aceptar" or "key@field"
        QTest::addColumn<int>("veces");   // each time opened for the user typed the time before
        QTest::addColumn<QString>("fin"); // "cerrado" or "abierto <focused field>"
        QTest::addColumn<QStringList>("mensajes"); // "text|style|id"
        QTest::addColumn<QStringList>("cuentas");  // as Cuentas() reads them

        const QString omision = frmConfiguracion::DireccionPorOmision() + QStringLiteral("|");
        const auto fila = [&](const QByteArray& nombre, const QStringList& previas,
                              const QString& abierto, const QString& cargado, const QString& tecleo,
                              const QString& accion, const QString& fin,
                              const QStringList& mensajes, const QStringList& cuentas,
                              int veces = 1) {
            QTest::newRow(nombre.constData()) << previas << abierto << cargado << tecleo << accion
                                              << veces << fin << mensajes << cuentas;
        };
        fila("primer guardado", {}, "", omision + "||",
             "  http://127.0.0.1:8080/wsService  |caja3|", "aceptar", "cerrado", {},
             {"http://127.0.0.1:8080/wsService|caja3||CAJA3|CAJA3|nuevo|nuevo"});
        fila("segundo guardado modifica", {"http://vieja/ws|tienda|vieja"}, "tienda",
             "http://vieja/ws|tienda|vieja|tienda", "http://nueva/ws|*|nueva", "aceptar", "cerrado",
             {}, {"http://nueva/ws|tienda|nueva|PRUEBA|CAJA3|viejo|nuevo"});
        fila("otro usuario inserta", {"http://a/ws|uno|1"}, "uno", "http://a/ws|uno|1|uno",
             "http://b/ws|dos|*", "aceptar", "cerrado", {},
             {"http://a/ws|uno|1|PRUEBA|PRUEBA|viejo|viejo",
              "http://b/ws|dos|1|CAJA3|CAJA3|nuevo|nuevo"});
        // The typed user's row is the one written; the other row stays, and no user doubles.
        fila("fila contada, cargada otra", {"http://a/ws|uno|1", "http://b/ws|dos|2"}, "uno",
             "http://a/ws|uno|1|uno", "http://c/ws|dos|3", "aceptar", "cerrado", {},
             {"http://a/ws|uno|1|PRUEBA|PRUEBA|viejo|viejo",
              "http://c/ws|dos|3|PRUEBA|CAJA3|viejo|nuevo"});
        fila("comillas", {}, "", omision + "||", "http://a/ws?x='1'|O'Brien|it's", "aceptar",
             "cerrado", {}, {"http://a/ws?x='1'|O'Brien|it's|CAJA3|CAJA3|nuevo|nuevo"});
        fila("carga con comillas", {"http://a/ws?x='1'|O'Brien|it's"}, "O'Brien",
             "http://a/ws?x='1'|O'Brien|it's|O'Brien", "*|*|*", "Escape@txtUsuario", "cerrado", {},
             {"http://a/ws?x='1'|O'Brien|it's|PRUEBA|PRUEBA|viejo|viejo"});
        fila("usuario sin fila", {"http://otra/ws|otro|x"}, "nadie", omision + "nadie||", "*|*|*",
             "Escape@txtPassword", "cerrado", {},
             {"http://otra/ws|otro|x|PRUEBA|PRUEBA|viejo|viejo"});
        fila("usuario vacío no lee", {"http://guardada/ws||x"}, "", omision + "||", "*|*|*",
             "Escape@txtUrlWs", "cerrado", {}, {"http://guardada/ws||x|PRUEBA|PRUEBA|viejo|viejo"});
        fila("carga con nulo falla", {"http://guardada/ws|tienda|NULL"}, "tienda",
             "http://guardada/ws|tienda||tienda", "*|*|*", "Escape@txtUrlWs", "cerrado",
             {"CargaConfiguracion()\r\nUso no válido de Null|16|ERR-ID:7500021"},
             {"http://guardada/ws|tienda||PRUEBA|PRUEBA|viejo|viejo"});

        const QString url = "Debe especificar un valor en el campo URL WS|48|ERR-ID:7500016";
        fila("dirección en blanco", {}, "", omision + "||", "    |tienda|pw", "aceptar",
             "abierto txtUrlWs", {url}, {});
        // Blanks alone: no user, so an empty one is refused too.
        fila("usuario en blanco", {}, "", omision + "||", "http://a/ws|   |pw", "aceptar",
             "abierto txtUsuario",
             {"Debe especificar un valor en el campo Usuario|48|ERR-ID:7500018"}, {});
        for (const QString campo : {"txtUrlWs", "txtUsuario", "txtPassword"}) {
            fila("F4 en " + campo.toUtf8(), {}, "", omision + "||", "http://a/ws|tecla|pw",
                 "F4@" + campo, "cerrado", {}, {"http://a/ws|tecla|pw|CAJA3|CAJA3|nuevo|nuevo"});
            fila("F4 sin URL en " + campo.toUtf8(), {}, "", omision + "||", "|tecla|pw",
                 "F4@" + campo, "abierto txtUrlWs", {url}, {});
            fila("Esc en " + campo.toUtf8(), {}, "", omision + "||", "http://a/ws|tecla|pw",
                 "Escape@" + campo, "cerrado", {}, {});
        }
        // Which characters cannot be stored is tst_runtime's; here the dialog's report.
        fila("password no guardable", {}, "", omision + "||",
             "http://a/ws|tienda|pw" + QString(QChar(0xFFFE)), "aceptar", "abierto txtPassword",
             {"Controles_B1Click()\r\nLa contraseña tiene caracteres que no se pueden guardar "
              "(NUL, no caracteres Unicode o sustitutos sueltos)|16|ERR-ID:7500020"},
             {});
        fila("motor rechaza la fila", {"FALLA"}, "", omision + "||", "http://a/ws|tienda|pw",
             "aceptar", "abierto txtPassword",
             {"Controles_B1Click()\r\ndisco lleno|16|ERR-ID:7500020"}, {});

        // Saved three times, each time opened for the user saved before; "#": the time.
        const auto blancos = [&](const char* nombre, const QStringList& previas,
                                 const QString& abierto, const QString& tecleado,
                                 const QStringList& cuentas) {
            QStringList previasConClave;
            for (const QString& u : previas)
                previasConClave.append("http://a/ws|" + u + "|viejo");
            fila(nombre, previasConClave, abierto, "", "http://a/ws|" + tecleado + "|#", "aceptar",
                 "cerrado", {}, cuentas, 3);
        };
        const QString ana = QStringLiteral("http://a/ws|ana|3|");
        blancos("blancos a los lados", {}, "", "  ana  ", {ana + "CAJA3|CAJA3|nuevo|nuevo"});
        blancos("fila antigua con blancos", {" ana"}, " ana", " ana",
                {ana + "PRUEBA|CAJA3|viejo|nuevo"});
        blancos("fila antigua, tecleado sin blancos", {"ana "}, "ana ", "ana",
                {ana + "PRUEBA|CAJA3|viejo|nuevo"});
        blancos(
            "fila antigua de otro usuario", {" luis"}, " luis", "ana",
            {"http://a/ws| luis|viejo|PRUEBA|PRUEBA|viejo|viejo", ana + "CAJA3|CAJA3|nuevo|nuevo"});
        blancos(
            "duplicado antiguo se deja", {" ana", "ana"}, "ana", "ana",
            {"http://a/ws| ana|viejo|PRUEBA|PRUEBA|viejo|viejo", ana + "PRUEBA|CAJA3|viejo|nuevo"});
    }

    void escenario() {
        QFETCH(QStringList, previas);
        QFETCH(QString, abierto);
        QFETCH(QString, cargado);
        QFETCH(QString, tecleo);
        QFETCH(QString, accion);
        QFETCH(int, veces);
        QFETCH(QString, fin);
        QFETCH(QStringList, mensajes);
        QFETCH(QStringList, cuentas);
        prueba::BaseTemporal base("CAJA3");
        for (const QString& previa : previas) {
            const QStringList c = previa.split('|');
            // The engine refuses the row: a trigger in each engine's own language.
            if (previa == "FALLA" && prueba::EsPostgreSql()) {
                base.Ejecuta("CREATE FUNCTION falla() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION "
                             "'disco lleno'; END $$ LANGUAGE plpgsql");
                base.Ejecuta("CREATE TRIGGER falla BEFORE INSERT ON Pos_Servicio_Configuracion "
                             "FOR EACH ROW EXECUTE FUNCTION falla()");
            } else if (previa == "FALLA") {
                base.Ejecuta("CREATE TRIGGER falla BEFORE INSERT ON Pos_Servicio_Configuracion "
                             "BEGIN SELECT RAISE(ABORT, 'disco lleno'); END");
            } else {
                base.AgregaCuenta(c.at(0), c.at(1), c.at(2) == "NULL" ? QString() : c.at(2));
                if (c.at(2) == "NULL")
                    base.Ejecuta("UPDATE Pos_Servicio_Configuracion SET Psc_Password = NULL");
            }
        }
        QString usuario = abierto, visto, estado;
        for (int vez = 1; vez <= veces; ++vez) {
            kd562::gSQL = "sin tocar";
            ConDialogo(usuario, [&] {
                // No user typed, nothing read.
                if (usuario.isEmpty())
                    QCOMPARE(kd562::gSQL, "sin tocar");
                if (vez == 1)
                    QTRY_COMPARE(QApplication::focusWidget(), Dialogo().txtUrlWs.data());
                QCOMPARE(Dialogo().txtPassword->echoMode(), QLineEdit::Password);
                const QList<TxtQIX*> cajas = {Dialogo().txtUrlWs, Dialogo().txtUsuario,
                                              Dialogo().txtPassword};
                visto = QStringList({cajas[0]->Text(), cajas[1]->Text(), cajas[2]->Text(),
                                     Dialogo().sUsuarioCargado})
                            .join('|');
                const QStringList campos = tecleo.split('|');
                for (int i = 0; i < 3; ++i)
                    if (campos.at(i) != "*")
                        cajas[i]->setText(campos.at(i) == "#" ? QString::number(vez)
                                                              : campos.at(i));
                if (accion == "aceptar") {
                    Dialogo().txtPassword->SetFocus();
                    Dialogo().Controles->Boton(1)->click();
                } else {
                    auto* campo = Dialogo().Ventana()->findChild<TxtQIX*>(accion.section('@', 1));
                    campo->SetFocus();
                    QTest::keyClick(campo, accion.startsWith("F4") ? Qt::Key_F4 : Qt::Key_Escape);
                }
                estado = Dialogo().Visible()
                             ? "abierto " + QApplication::focusWidget()->objectName()
                             : "cerrado";
            });
            if (vez == 1 && !cargado.isEmpty())
                QCOMPARE(visto, cargado);
            usuario = Recorta(tecleo.section('|', 1, 1));
        }
        QCOMPARE(estado, fin);
        QStringList vistos;
        for (const auto& registro : base.Mensajes().Registros()) {
            const Mensaje& m = registro.mensaje;
            QCOMPARE(m.titulo + "|" + m.modulo, "Corvanta|KD562");
            // Each engine words its refusal its own way around the trigger's text.
            const QString texto = m.texto.contains("disco lleno")
                                      ? m.texto.section("\r\n", 0, 0) + "\r\ndisco lleno"
                                      : m.texto;
            vistos.append(QString("%1|%2|%3").arg(texto).arg(m.estilo).arg(m.idError));
        }
        QCOMPARE(vistos, mensajes);
        QCOMPARE(Cuentas(base), cuentas);
    }

    void centradoSobreLaPantalla_data() {
        QTest::addColumn<QRect>("principal"); // the active main window; empty: none
        QTest::newRow("800x480") << QRect(40, 30, 800, 480);
        QTest::newRow("sin ventana principal") << QRect();
    }

    void centradoSobreLaPantalla() {
        QFETCH(QRect, principal);
        prueba::BaseTemporal base;
        QWidget ventana;
        QPoint centro = QGuiApplication::primaryScreen()->availableGeometry().center();
        if (!principal.isEmpty()) {
            ventana.setGeometry(principal);
            ventana.show();
            ventana.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&ventana));
            centro = ventana.frameGeometry().center();
        }
        QPoint visto;
        ConDialogo(QString(), [&] { visto = Dialogo().Ventana()->frameGeometry().center(); });
        QCOMPARE(visto, centro);
    }

    void tabuladorYEnter() {
        prueba::BaseTemporal base;
        QStringList recorrido;
        ConDialogo(QString(), [&] {
            Llena("http://a/ws", "tienda", "pw");
            Dialogo().txtUrlWs->SetFocus();
            for (Qt::Key tecla : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return,
                                  Qt::Key_Return, Qt::Key_Return, Qt::Key_Enter}) {
                QTest::keyClick(QApplication::focusWidget(), tecla);
                recorrido.append(QApplication::focusWidget()->objectName());
            }
            QVERIFY(Dialogo().Visible());
        });
        QCOMPARE(recorrido, QStringList({"txtUsuario", "txtPassword", "txtUrlWs", "txtUsuario",
                                         "txtPassword", "txtUrlWs", "txtUsuario"}));
        QCOMPARE(Cuentas(base), QStringList());
    }

    void pantallaMuestraCuenta() {
        prueba::BaseTemporal base;
        frmKD562& pantalla = frmKD562::Instancia();
        pantalla.Show();
        QCOMPARE(base.Mensajes().Cuenta(), 1); // no account yet
        QString usuarioRecibido = "?";
        QTimer::singleShot(0, &pantalla, [&] {
            usuarioRecibido = Dialogo().txtUsuario->Text();
            Llena("http://127.0.0.1:9/wsService", "tienda07", "pw");
            Dialogo().Controles->Boton(1)->click();
        });
        pantalla.Controles->Boton(3)->click();
        QCOMPARE(usuarioRecibido, QString()); // the dialog was open, for no user yet
        QVERIFY(!Dialogo().Cargada());
        QCOMPARE(pantalla.txtUsuario->Text() + "|" + pantalla.sUrlWs + "|" +
                     pantalla.lbTotal->Caption(),
                 "tienda07|http://127.0.0.1:9/wsService|Total: 0");

        // Cancelled: the screen still reloads and the dialog was loaded afresh (default address).
        base.Ejecuta("UPDATE Pos_Servicio_Configuracion SET Psc_Usuario = 'cambiado'");
        QString urlAlAbrir;
        QTimer::singleShot(0, &pantalla, [&] {
            urlAlAbrir = Dialogo().txtUrlWs->Text();
            QTest::keyClick(Dialogo().txtUsuario, Qt::Key_Escape);
        });
        pantalla.Controles->Boton(3)->click();
        QCOMPARE(urlAlAbrir, frmConfiguracion::DireccionPorOmision());
        QCOMPARE(pantalla.txtUsuario->Text(), "cambiado");
    }
};

QTEST_MAIN(TstCuenta)
#include "tst_cuenta.moc"
