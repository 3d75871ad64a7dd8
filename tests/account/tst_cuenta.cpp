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

QString Cifra(const QString& plano) {
    Cifrado cifrado;
    cifrado.setLlave(QStringLiteral("PaTiNoLuX"));
    return cifrado.Transforma(plano);
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

void Aceptar() {
    Dialogo().Controles->Boton(1)->click();
}

QVariantList Fila(prueba::BaseTemporal& base, const QString& usuario) {
    Recordset rs = base.Cnn().Ejecuta(
        QStringLiteral("SELECT Psc_URL, Psc_Usuario, Psc_Password, Oper_Alta, Fecha_Alta, "
                       "Oper_Ult_Modif, Fecha_Ult_Modif FROM Pos_Servicio_Configuracion WHERE "
                       "Psc_Usuario = ?"),
        {usuario});
    QVariantList fila;
    if (!rs.Eof())
        for (int i = 0; i < rs.FieldCount(); ++i)
            fila.append(Concatena(rs.Fields(i)));
    return fila;
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
    void cleanup();
    void centradoSobreLaPantalla_data();
    void centradoSobreLaPantalla();
    void usuarioVacioNoLee();
    void usuarioSinFila();
    void cargaDescifra();
    void cargaConNuloFalla();
    void teclas_data();
    void teclas();
    void direccionEnBlanco();
    void usuarioVacio_data();
    void usuarioVacio();
    void primerGuardadoInserta();
    void segundoGuardadoModifica();
    void otroUsuarioInserta();
    void guardaFilaContada_data();
    void guardaFilaContada();
    void usuarioConBlancos_data();
    void usuarioConBlancos();
    void guardadoFallidoNoCierra();
    void passwordNoGuardable_data();
    void passwordNoGuardable();
    void tabuladorYEnter();
    void pantallaMuestraCuenta();
    void comillasEnLosCampos();
};

void TstCuenta::cleanup() {
    Dialogo().Unload();
    frmKD562::Instancia().Unload();
}

void TstCuenta::centradoSobreLaPantalla_data() {
    QTest::addColumn<QRect>("principal"); // the active main window; empty: none
    QTest::newRow("800x480") << QRect(40, 30, 800, 480);
    QTest::newRow("1280x800 en otra parte") << QRect(300, 120, 1280, 800);
    QTest::newRow("sin ventana principal") << QRect();
}

void TstCuenta::centradoSobreLaPantalla() {
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

void TstCuenta::usuarioVacioNoLee() {
    prueba::BaseTemporal base;
    base.AgregaCuenta(QStringLiteral("http://guardada/wsService"), QString(), QStringLiteral("x"));
    kd562::gSQL = QStringLiteral("sin tocar");
    ConDialogo(QString(), [&] {
        QCOMPARE(Dialogo().txtUrlWs->Text(), frmConfiguracion::DireccionPorOmision());
        QCOMPARE(Dialogo().txtUsuario->Text(), QString());
        QCOMPARE(Dialogo().txtPassword->Text(), QString());
        QCOMPARE(kd562::gSQL, QStringLiteral("sin tocar"));
        QTRY_COMPARE(QApplication::focusWidget(), Dialogo().txtUrlWs.data());
    });
    QVERIFY(frmConfiguracion::DireccionPorOmision().startsWith(QStringLiteral("http://")));
    QVERIFY(frmConfiguracion::DireccionPorOmision().endsWith(QStringLiteral("/wsService")));
}

void TstCuenta::usuarioSinFila() {
    prueba::BaseTemporal base;
    base.AgregaCuenta(QStringLiteral("http://otra/wsService"), QStringLiteral("otro"),
                      QStringLiteral("x"));
    ConDialogo(QStringLiteral("nadie"), [&] {
        QCOMPARE(Dialogo().txtUrlWs->Text(), frmConfiguracion::DireccionPorOmision());
        QCOMPARE(Dialogo().txtUsuario->Text(), QStringLiteral("nadie"));
        QCOMPARE(Dialogo().txtPassword->Text(), QString());
    });
    QCOMPARE(Dialogo().sUsuarioCargado, QString());
}

void TstCuenta::cargaDescifra() {
    prueba::BaseTemporal base;
    base.AgregaCuenta(QStringLiteral("http://127.0.0.1:1/wsService"), QStringLiteral("tienda"),
                      QStringLiteral("Clave#2026"));
    ConDialogo(QStringLiteral("tienda"), [&] {
        QCOMPARE(Dialogo().txtUrlWs->Text(), QStringLiteral("http://127.0.0.1:1/wsService"));
        QCOMPARE(Dialogo().txtPassword->Text(), QStringLiteral("Clave#2026"));
        QCOMPARE(Dialogo().txtPassword->echoMode(), QLineEdit::Password);
        Aceptar();
    });
    QCOMPARE(Dialogo().sUsuarioCargado, QStringLiteral("tienda"));
    // Saved again unchanged: the same enciphered text, never the plain one.
    const QVariantList fila = Fila(base, QStringLiteral("tienda"));
    QCOMPARE(fila.at(2).toString(), Cifra(QStringLiteral("Clave#2026")));
    QVERIFY(fila.at(2).toString() != QStringLiteral("Clave#2026"));
    QCOMPARE(base.Entero(QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Configuracion")), 1);
}

void TstCuenta::cargaConNuloFalla() {
    prueba::BaseTemporal base;
    base.Ejecuta(QStringLiteral("INSERT INTO Pos_Servicio_Configuracion (Psc_URL, Psc_Usuario, "
                                "Psc_Password) VALUES ('http://guardada/wsService', 'tienda', "
                                "NULL)"));
    bool mostrado = false;
    ConDialogo(QStringLiteral("tienda"), [&] { mostrado = Dialogo().Visible(); });
    QVERIFY(mostrado);
    QCOMPARE(base.Mensajes().Cuenta(), 1);
    const Mensaje& fallo = base.Mensajes().Ultimo();
    QVERIFY(fallo.texto.startsWith(QStringLiteral("CargaConfiguracion()\r\n")));
    QCOMPARE(fallo.idError, QStringLiteral("ERR-ID:7500021"));
    QCOMPARE(fallo.estilo, 16);
    QCOMPARE(fallo.titulo, QStringLiteral("Corvanta"));
}

void TstCuenta::teclas_data() {
    QTest::addColumn<QString>("campo");
    QTest::addColumn<int>("tecla");
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("guarda");
    QTest::addColumn<bool>("abierto");
    for (const char* campo : {"txtUrlWs", "txtUsuario", "txtPassword"}) {
        QTest::addRow("esc en %s", campo)
            << campo << int(Qt::Key_Escape) << "http://a/ws" << false << false;
        QTest::addRow("f4 en %s", campo)
            << campo << int(Qt::Key_F4) << "http://a/ws" << true << false;
        QTest::addRow("f4 sin url en %s", campo) << campo << int(Qt::Key_F4) << "" << false << true;
    }
}

void TstCuenta::teclas() {
    QFETCH(QString, campo);
    QFETCH(int, tecla);
    QFETCH(QString, url);
    QFETCH(bool, guarda);
    QFETCH(bool, abierto);
    prueba::BaseTemporal base;
    bool sigueAbierto = false;
    ConDialogo(QString(), [&] {
        Llena(url, QStringLiteral("tecla"), QStringLiteral("pw"));
        auto* destino = Dialogo().Ventana()->findChild<TxtQIX*>(campo);
        destino->SetFocus();
        QTest::keyClick(destino, static_cast<Qt::Key>(tecla));
        sigueAbierto = Dialogo().Visible();
    });
    QCOMPARE(sigueAbierto, abierto);
    QCOMPARE(base.Entero(QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Configuracion")),
             guarda ? 1 : 0);
    if (abierto) {
        QCOMPARE(base.Mensajes().Cuenta(), 1);
        QCOMPARE(base.Mensajes().Ultimo().texto,
                 QStringLiteral("Debe especificar un valor en el campo URL WS"));
    }
}

void TstCuenta::direccionEnBlanco() {
    prueba::BaseTemporal base;
    bool abierto = false;
    QWidget* foco = nullptr;
    ConDialogo(QString(), [&] {
        Llena(QStringLiteral("    "), QStringLiteral("tienda"), QStringLiteral("pw"));
        Dialogo().txtPassword->SetFocus();
        Aceptar();
        abierto = Dialogo().Visible();
        foco = QApplication::focusWidget();
    });
    QVERIFY(abierto);
    QCOMPARE(foco, Dialogo().Ventana()->findChild<TxtQIX*>(QStringLiteral("txtUrlWs")));
    QCOMPARE(base.Mensajes().Cuenta(), 1);
    const Mensaje& aviso = base.Mensajes().Ultimo();
    QCOMPARE(aviso.texto, QStringLiteral("Debe especificar un valor en el campo URL WS"));
    QCOMPARE(aviso.estilo, 48);
    QCOMPARE(aviso.idError, QStringLiteral("ERR-ID:7500016"));
    QCOMPARE(aviso.modulo, QStringLiteral("KD562"));
    QCOMPARE(aviso.titulo, QStringLiteral("Corvanta"));
    QCOMPARE(base.Entero(QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Configuracion")), 0);
}

void TstCuenta::usuarioVacio_data() {
    QTest::addColumn<QString>("usuario");
    QTest::newRow("vacio") << "";
    QTest::newRow("solo blancos") << "   ";
}

void TstCuenta::usuarioVacio() {
    QFETCH(QString, usuario);
    prueba::BaseTemporal base;
    bool abierto = false;
    QWidget* foco = nullptr;
    ConDialogo(QString(), [&] {
        Llena(QStringLiteral("http://a/ws"), usuario, QStringLiteral("pw"));
        Dialogo().txtPassword->SetFocus();
        Aceptar();
        abierto = Dialogo().Visible();
        foco = QApplication::focusWidget();
    });
    QVERIFY(abierto);
    QCOMPARE(foco, Dialogo().Ventana()->findChild<TxtQIX*>(QStringLiteral("txtUsuario")));
    QCOMPARE(base.Mensajes().Cuenta(), 1);
    QCOMPARE(base.Mensajes().Ultimo().texto,
             QStringLiteral("Debe especificar un valor en el campo Usuario"));
    QCOMPARE(base.Mensajes().Ultimo().estilo, 48);
    QCOMPARE(base.Mensajes().Ultimo().idError, QStringLiteral("ERR-ID:7500018"));
    QCOMPARE(base.Entero(QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Configuracion")), 0);
}

void TstCuenta::primerGuardadoInserta() {
    prueba::BaseTemporal base(QStringLiteral("CAJA3"));
    ConDialogo(QString(), [&] {
        Llena(QStringLiteral("  http://127.0.0.1:8080/wsService  "), QStringLiteral("caja3"),
              QString());
        Aceptar();
    });
    QCOMPARE(base.Mensajes().Cuenta(), 0);
    const QVariantList fila = Fila(base, QStringLiteral("caja3"));
    QCOMPARE(fila.size(), 7);
    QCOMPARE(fila.at(0).toString(), QStringLiteral("http://127.0.0.1:8080/wsService"));
    QCOMPARE(fila.at(1).toString(), QStringLiteral("caja3"));
    QCOMPARE(fila.at(2).toString(), Cifra(QString()));
    QCOMPARE(fila.at(3).toString(), QStringLiteral("CAJA3"));
    QCOMPARE(fila.at(5).toString(), QStringLiteral("CAJA3"));
    QCOMPARE(fila.at(4).toString(), fila.at(6).toString());
    QVERIFY(QDateTime::fromString(fila.at(4).toString(), Qt::ISODate).isValid());
}

void TstCuenta::segundoGuardadoModifica() {
    prueba::BaseTemporal base(QStringLiteral("CAJA4"));
    base.AgregaCuenta(QStringLiteral("http://vieja/ws"), QStringLiteral("tienda"),
                      QStringLiteral("vieja"));
    ConDialogo(QStringLiteral("tienda"), [&] {
        Dialogo().txtUrlWs->setText(QStringLiteral("http://nueva/ws"));
        Dialogo().txtPassword->setText(QStringLiteral("nueva"));
        Aceptar();
    });
    const QVariantList fila = Fila(base, QStringLiteral("tienda"));
    QCOMPARE(fila.at(0).toString(), QStringLiteral("http://nueva/ws"));
    QCOMPARE(fila.at(2).toString(), Cifra(QStringLiteral("nueva")));
    QCOMPARE(fila.at(3).toString(), QStringLiteral("PRUEBA"));
    QCOMPARE(fila.at(4).toString(), QStringLiteral("2026-01-01T00:00:00"));
    QCOMPARE(fila.at(5).toString(), QStringLiteral("CAJA4"));
    QVERIFY(fila.at(6).toString() != QStringLiteral("2026-01-01T00:00:00"));
    QCOMPARE(base.Entero(QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Configuracion")), 1);
}

void TstCuenta::otroUsuarioInserta() {
    prueba::BaseTemporal base;
    base.AgregaCuenta(QStringLiteral("http://a/ws"), QStringLiteral("uno"), QStringLiteral("1"));
    ConDialogo(QStringLiteral("uno"), [&] {
        Dialogo().txtUsuario->setText(QStringLiteral("dos"));
        Dialogo().txtUrlWs->setText(QStringLiteral("http://b/ws"));
        Aceptar();
    });
    QCOMPARE(base.Entero(QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Configuracion")), 2);
    QCOMPARE(Fila(base, QStringLiteral("uno")).at(0).toString(), QStringLiteral("http://a/ws"));
    QCOMPARE(Fila(base, QStringLiteral("dos")).at(0).toString(), QStringLiteral("http://b/ws"));
}

void TstCuenta::guardaFilaContada_data() {
    QTest::addColumn<QString>("abierto"); // user the dialog is opened for
    QTest::newRow("sin fila cargada") << "";
    QTest::newRow("cargada otra") << "uno";
}

void TstCuenta::guardaFilaContada() {
    QFETCH(QString, abierto);
    prueba::BaseTemporal base;
    base.AgregaCuenta(QStringLiteral("http://a/ws"), QStringLiteral("uno"), QStringLiteral("1"));
    base.AgregaCuenta(QStringLiteral("http://b/ws"), QStringLiteral("dos"), QStringLiteral("2"));
    bool abiertoAlFinal = true;
    ConDialogo(abierto, [&] {
        Llena(QStringLiteral("http://c/ws"), QStringLiteral("dos"), QStringLiteral("3"));
        Aceptar();
        abiertoAlFinal = Dialogo().Visible();
    });
    QVERIFY(!abiertoAlFinal);
    // The typed user's row is the one written; the other row stays, and no user doubles.
    QCOMPARE(base.Entero(QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Configuracion")), 2);
    QCOMPARE(base.Entero(QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Configuracion WHERE "
                                        "Psc_Usuario = 'dos'")),
             1);
    QCOMPARE(Fila(base, QStringLiteral("dos")).at(0).toString(), QStringLiteral("http://c/ws"));
    QCOMPARE(Fila(base, QStringLiteral("dos")).at(2).toString(), Cifra(QStringLiteral("3")));
    QCOMPARE(Fila(base, QStringLiteral("uno")).at(0).toString(), QStringLiteral("http://a/ws"));
    QCOMPARE(Fila(base, QStringLiteral("uno")).at(2).toString(), Cifra(QStringLiteral("1")));
}

void TstCuenta::usuarioConBlancos_data() {
    QTest::addColumn<QStringList>("previas"); // users stored before, password "viejo"
    QTest::addColumn<QString>("abierto");     // user the dialog is opened for
    QTest::addColumn<QString>("tecleado");    // user typed before each of three saves
    QTest::addColumn<QStringList>("despues"); // "user|password" of every row, in order
    QTest::newRow("blanco delante") << QStringList() << " ana"
                                    << " ana" << QStringList{"ana|3"};
    QTest::newRow("blancos a los lados") << QStringList() << ""
                                         << "  ana  " << QStringList{"ana|3"};
    QTest::newRow("fila antigua con blancos") << QStringList{" ana"} << " ana"
                                              << " ana" << QStringList{"ana|3"};
    QTest::newRow("fila antigua, tecleado sin blancos") << QStringList{"ana "} << "ana "
                                                        << "ana" << QStringList{"ana|3"};
    QTest::newRow("fila antigua de otro usuario") << QStringList{" luis"} << " luis"
                                                  << "ana" << QStringList{" luis|viejo", "ana|3"};
    QTest::newRow("duplicado antiguo se deja") << QStringList{" ana", "ana"} << "ana"
                                               << "ana" << QStringList{" ana|viejo", "ana|3"};
}

void TstCuenta::usuarioConBlancos() {
    QFETCH(QStringList, previas);
    QFETCH(QString, abierto);
    QFETCH(QString, tecleado);
    QFETCH(QStringList, despues);
    prueba::BaseTemporal base;
    for (const QString& usuario : previas)
        base.AgregaCuenta(QStringLiteral("http://a/ws"), usuario, QStringLiteral("viejo"));
    // Each save opens the dialog as the screen would: for the user the last one stored.
    QString usuarioAlAbrir = abierto;
    for (int vez = 1; vez <= 3; ++vez) {
        bool cerrado = false;
        ConDialogo(usuarioAlAbrir, [&] {
            Dialogo().txtUsuario->setText(tecleado);
            Dialogo().txtPassword->setText(QString::number(vez));
            Aceptar();
            cerrado = !Dialogo().Visible();
        });
        QVERIFY(cerrado);
        usuarioAlAbrir = Recorta(tecleado);
    }
    QCOMPARE(base.Mensajes().Cuenta(), 0);
    QStringList esperado;
    for (const QString& fila : despues)
        esperado.append(fila.section(QLatin1Char('|'), 0, 0) + QLatin1Char('|') +
                        Cifra(fila.section(QLatin1Char('|'), 1)));
    // Sorted here: the engines' collations may order blanks differently.
    QStringList filas = base.Volcado({QStringLiteral("SELECT Psc_Usuario, Psc_Password FROM "
                                                     "Pos_Servicio_Configuracion")})
                            .split(QLatin1Char('\n'));
    filas.sort();
    esperado.sort();
    QCOMPARE(filas, esperado);
}

void TstCuenta::guardadoFallidoNoCierra() {
    prueba::BaseTemporal base;
    // The engine refuses the row: a trigger in each engine's own language.
    if (prueba::EsPostgreSql()) {
        base.Ejecuta(QStringLiteral("CREATE FUNCTION falla() RETURNS trigger AS $$ BEGIN RAISE "
                                    "EXCEPTION 'disco lleno'; END $$ LANGUAGE plpgsql"));
        base.Ejecuta(QStringLiteral("CREATE TRIGGER falla BEFORE INSERT ON "
                                    "Pos_Servicio_Configuracion FOR EACH ROW EXECUTE FUNCTION "
                                    "falla()"));
    } else {
        base.Ejecuta(QStringLiteral("CREATE TRIGGER falla BEFORE INSERT ON "
                                    "Pos_Servicio_Configuracion BEGIN SELECT RAISE(ABORT, 'disco "
                                    "lleno'); END"));
    }
    bool abierto = false;
    QString url;
    ConDialogo(QString(), [&] {
        Llena(QStringLiteral("http://a/ws"), QStringLiteral("tienda"), QStringLiteral("pw"));
        Aceptar();
        abierto = Dialogo().Visible();
        url = Dialogo().txtUrlWs->Text();
    });
    QVERIFY(abierto);
    QCOMPARE(url, QStringLiteral("http://a/ws"));
    QCOMPARE(base.Mensajes().Cuenta(), 1);
    const Mensaje& fallo = base.Mensajes().Ultimo();
    QVERIFY(fallo.texto.startsWith(QStringLiteral("Controles_B1Click()\r\n")));
    QVERIFY(fallo.texto.contains(QStringLiteral("disco lleno")));
    QCOMPARE(fallo.estilo, 16);
    QCOMPARE(fallo.idError, QStringLiteral("ERR-ID:7500020"));
    QCOMPARE(base.Entero(QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Configuracion")), 0);
}

void TstCuenta::passwordNoGuardable_data() {
    QTest::addColumn<QString>("password");
    QTest::newRow("nulo") << QStringLiteral("pw") + QChar(0);
    QTest::newRow("no caracter") << QStringLiteral("pw") + QChar(0xFFFE);
    QTest::newRow("sustituto suelto") << QString(QChar(0xDC00)) + QStringLiteral("pw");
}

void TstCuenta::passwordNoGuardable() {
    QFETCH(QString, password);
    prueba::BaseTemporal base;
    bool abierto = false;
    ConDialogo(QString(), [&] {
        Llena(QStringLiteral("http://a/ws"), QStringLiteral("tienda"), password);
        Aceptar();
        abierto = Dialogo().Visible();
    });
    QVERIFY(abierto);
    QCOMPARE(base.Mensajes().Cuenta(), 1);
    const Mensaje& fallo = base.Mensajes().Ultimo();
    QCOMPARE(fallo.texto, QStringLiteral("Controles_B1Click()\r\nLa contraseña tiene caracteres "
                                         "que no se pueden guardar (NUL, no caracteres Unicode o "
                                         "sustitutos sueltos)"));
    QCOMPARE(fallo.estilo, 16);
    QCOMPARE(fallo.idError, QStringLiteral("ERR-ID:7500020"));
    QCOMPARE(base.Entero(QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Configuracion")), 0);
}

void TstCuenta::tabuladorYEnter() {
    prueba::BaseTemporal base;
    QStringList recorrido;
    ConDialogo(QString(), [&] {
        Llena(QStringLiteral("http://a/ws"), QStringLiteral("tienda"), QStringLiteral("pw"));
        Dialogo().txtUrlWs->SetFocus();
        for (Qt::Key tecla : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return, Qt::Key_Return,
                              Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(QApplication::focusWidget(), tecla);
            recorrido.append(QApplication::focusWidget()->objectName());
        }
        QVERIFY(Dialogo().Visible());
    });
    QCOMPARE(recorrido, QStringList({"txtUsuario", "txtPassword", "txtUrlWs", "txtUsuario",
                                     "txtPassword", "txtUrlWs", "txtUsuario"}));
    QCOMPARE(base.Entero(QStringLiteral("SELECT COUNT(*) FROM Pos_Servicio_Configuracion")), 0);
}

void TstCuenta::pantallaMuestraCuenta() {
    prueba::BaseTemporal base;
    frmKD562& pantalla = frmKD562::Instancia();
    pantalla.Show();
    QCOMPARE(base.Mensajes().Cuenta(), 1); // no account yet
    int cargas = 0;
    QString usuarioRecibido = QStringLiteral("?");
    QTimer::singleShot(0, &pantalla, [&] {
        ++cargas;
        usuarioRecibido = Dialogo().txtUsuario->Text();
        Llena(QStringLiteral("http://127.0.0.1:9/wsService"), QStringLiteral("tienda07"),
              QStringLiteral("pw"));
        Aceptar();
    });
    pantalla.Controles->Boton(3)->click();
    QCOMPARE(cargas, 1);
    QCOMPARE(usuarioRecibido, QString());
    QVERIFY(!Dialogo().Cargada());
    QCOMPARE(pantalla.txtUsuario->Text(), QStringLiteral("tienda07"));
    QCOMPARE(pantalla.sUrlWs, QStringLiteral("http://127.0.0.1:9/wsService"));
    QCOMPARE(pantalla.lbTotal->Caption(), QStringLiteral("Total: 0"));

    // Cancelled: the screen still reloads and the dialog was loaded afresh (default address).
    base.Ejecuta(QStringLiteral("UPDATE Pos_Servicio_Configuracion SET Psc_Usuario = 'cambiado'"));
    QString urlAlAbrir;
    QTimer::singleShot(0, &pantalla, [&] {
        urlAlAbrir = Dialogo().txtUrlWs->Text();
        QTest::keyClick(Dialogo().txtUsuario, Qt::Key_Escape);
    });
    pantalla.Controles->Boton(3)->click();
    QCOMPARE(urlAlAbrir, frmConfiguracion::DireccionPorOmision());
    QCOMPARE(pantalla.txtUsuario->Text(), QStringLiteral("cambiado"));
}

void TstCuenta::comillasEnLosCampos() {
    prueba::BaseTemporal base;
    ConDialogo(QString(), [&] {
        Llena(QStringLiteral("http://a/ws?x='1'"), QStringLiteral("O'Brien"),
              QStringLiteral("it's"));
        Aceptar();
    });
    QCOMPARE(base.Mensajes().Cuenta(), 0);
    const QVariantList fila = Fila(base, QStringLiteral("O'Brien"));
    QCOMPARE(fila.at(0).toString(), QStringLiteral("http://a/ws?x='1'"));
    QCOMPARE(fila.at(2).toString(), Cifra(QStringLiteral("it's")));
    QString password;
    ConDialogo(QStringLiteral("O'Brien"), [&] { password = Dialogo().txtPassword->Text(); });
    QCOMPARE(password, QStringLiteral("it's"));
}

QTEST_MAIN(TstCuenta)
#include "tst_cuenta.moc"
