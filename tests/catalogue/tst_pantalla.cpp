// The main screen as the operator handles it: sizes, sorting, keys, notes and the exit.
#include "PantallaDePrueba.h"
#include "account/frmConfiguracion.h"
#include "controls/Twips.h"
#include "forms/DialogoAvance.h"
#include "forms/Traducciones.h"

#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace corvanta;

namespace {

// Twelve services S01..S12, S10 with an error note and S09 with another note.
void Servicios(prueba::PantallaDePrueba& t) {
    for (int i = 1; i <= 12; ++i) {
        t.AgregaProducto(QStringLiteral("P%1").arg(i), QStringLiteral("Producto %1").arg(i));
        const QString nota = i == 3 ? "Error: servicio suspendido" : i == 4 ? "Las 24 horas" : "";
        t.AgregaServicio(QStringLiteral("S%1").arg(13 - i, 2, 10, QChar('0')), "Servicio",
                         i % 2 ? "TAE" : "SERVICIOS", i * 10, nota, QStringLiteral("P%1").arg(i));
    }
    t.Muestra();
}

QPoint Centro(ListView* lista, int fila) {
    lista->scrollToItem(lista->ListItem(fila));
    return lista->visualItemRect(lista->ListItem(fila)).center();
}

} // namespace

class TstPantalla : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(TraduceTextosQt()); }

    // The list fills the form below the toolbar; a size too small for it is skipped quietly.
    void redimensiona() {
        prueba::PantallaDePrueba t;
        Servicios(t);
        ListView* lista = t.Pantalla().lvRegistros;
        const auto geometria = [lista] {
            return QList<int>{Izquierda(lista), Arriba(lista), Ancho(lista), Alto(lista)};
        };
        t.Pantalla().Redimensiona(12000, 7000);
        QCOMPARE(geometria(), (QList<int>{120, 1920, 11760, 4930}));
        t.Pantalla().Redimensiona(200, 1500);
        QCOMPARE(geometria(), (QList<int>{120, 1920, 11760, 4930}));
        t.Pantalla().Redimensiona(3000, 2070);
        QCOMPARE(geometria(), (QList<int>{120, 1920, 2760, 0}));
        QCOMPARE(t.Mensajes().Cuenta(), 0);

        QWidget* ventana = t.Pantalla().Ventana();
        QVERIFY(QTest::qWaitForWindowExposed(ventana));
        ventana->resize(800, 480);
        QApplication::processEvents();
        QCOMPARE(t.Pantalla().Controles->width(), 800);
        QCOMPARE(lista->geometry().right(), 800 - 1 - 8);
    }

    // A heading click sorts by its column, turning the direction round on every click.
    void ordena() {
        prueba::PantallaDePrueba t;
        Servicios(t);
        ListView* lista = t.Pantalla().lvRegistros;
        QHeaderView* encabezado = lista->header();
        for (const Qt::SortOrder orden : {Qt::DescendingOrder, Qt::AscendingOrder}) {
            const int x = encabezado->sectionViewportPosition(3) + encabezado->sectionSize(3) / 2;
            QTest::mouseClick(encabezado->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
            QStringList esperado = t.Lista(3);
            std::sort(esperado.begin(), esperado.end());
            if (orden == Qt::DescendingOrder)
                std::reverse(esperado.begin(), esperado.end());
            QCOMPARE(t.Lista(3), esperado);
            QCOMPARE(lista->SortKey(), 3);
        }
    }

    // Keys on the list: marks of rows 1..3 (1 and 3 marked before), and what was copied.
    void teclas_data() {
        QTest::addColumn<int>("tecla");
        QTest::addColumn<int>("modificadores");
        QTest::addColumn<QString>("marcas");
        QTest::addColumn<int>("copiadas"); // lines on the clipboard; -1 left as it was
        const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
        QTest::newRow("ctrl+e invierte") << int(Qt::Key_E) << ctrl << "010" << -1;
        QTest::newRow("ctrl+shift+e quita") << int(Qt::Key_E) << (ctrl | shift) << "000" << -1;
        QTest::newRow("ctrl+alt+e")
            << int(Qt::Key_E) << (ctrl | int(Qt::AltModifier)) << "101" << -1;
        QTest::newRow("e sola") << int(Qt::Key_E) << 0 << "101" << -1;
        QTest::newRow("ctrl+c copia") << int(Qt::Key_C) << ctrl << "101" << 13;
        QTest::newRow("ctrl+shift+c") << int(Qt::Key_C) << (ctrl | shift) << "101" << -1;
    }
    void teclas() {
        QFETCH(int, tecla);
        QFETCH(int, modificadores);
        QFETCH(QString, marcas);
        QFETCH(int, copiadas);
        prueba::PantallaDePrueba t;
        Servicios(t);
        ListView* lista = t.Pantalla().lvRegistros;
        lista->setCheckboxes(true);
        lista->setChecked(1, true);
        lista->setChecked(3, true);
        QApplication::clipboard()->setText("antes");
        QTest::keyRelease(lista, Qt::Key(tecla), Qt::KeyboardModifiers(modificadores));
        QString obtenidas;
        for (int i = 1; i <= 3; ++i)
            obtenidas += lista->Checked(i) ? '1' : '0';
        QCOMPARE(obtenidas, marcas);
        const QStringList lineas = QApplication::clipboard()->text().split('\n');
        if (copiadas < 0) {
            QCOMPARE(lineas, QStringList{"antes"});
        } else {
            QCOMPARE(lineas.size(), copiadas);
            QCOMPARE(lineas.first(), "Servicio\tDescripción\tGrupo\tMonto\tClave\tProducto\t"
                                     "Observaciones");
            QCOMPARE(lineas.at(10), "S10\tServicio\tTAE\t30\tP3\tProducto 3\tError: servicio "
                                    "suspendido");
        }
    }

    // F5 reloads once from any focus; Alt+1..3 press the toolbar's buttons, as their
    // tooltips say. Keys go through the window system, as a user's do.
    void teclasDeLaPantalla_data() {
        QTest::addColumn<QString>("foco");
        QTest::addColumn<int>("tecla");
        QTest::addColumn<int>("modificadores");
        QTest::addColumn<int>("boton"); // pressed; 0: the list loaded once more
        const int alt = Qt::AltModifier;
        QTest::newRow("F5 en la lista") << "lvRegistros" << int(Qt::Key_F5) << 0 << 0;
        QTest::newRow("F5 en el usuario") << "txtUsuario" << int(Qt::Key_F5) << 0 << 0;
        QTest::newRow("shift+F5") << "txtUsuario" << int(Qt::Key_F5) << int(Qt::ShiftModifier) << 0;
        QTest::newRow("alt+1") << "lvRegistros" << int(Qt::Key_1) << alt << 1;
        QTest::newRow("alt+2") << "txtUsuario" << int(Qt::Key_2) << alt << 2;
        QTest::newRow("alt+3") << "lvRegistros" << int(Qt::Key_3) << alt << 3;
    }
    void teclasDeLaPantalla() {
        QFETCH(QString, foco);
        QFETCH(int, tecla);
        QFETCH(int, modificadores);
        QFETCH(int, boton);
        prueba::PantallaDePrueba t(prueba::Catalogo(2));
        Servicios(t);
        QWidget* ventana = t.Pantalla().Ventana();
        ventana->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(ventana));
        ventana->findChild<QWidget*>(foco)->setFocus();
        int pulsado = 0;
        for (int b = 1; b <= 3; ++b) {
            QToolButton* tb = t.Pantalla().Controles->Boton(b);
            QCOMPARE(tb->toolTip(), tb->text() + QStringLiteral(" (Alt+%1)").arg(b));
            connect(tb, &QToolButton::pressed, tb, [&pulsado, b] { pulsado = b; });
        }
        // What the buttons open is closed again at once.
        QTimer cierra;
        connect(&cierra, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                QTest::keyClick(modal->windowHandle(), Qt::Key_Escape);
        });
        cierra.start(50);
        t.AgregaServicio("S99", "Nuevo", "TAE", 1, "", "P1");
        QTest::keyClick(ventana->windowHandle(), Qt::Key_X); // the user field is read-only
        QCOMPARE(t.Pantalla().txtUsuario->Text(), "tienda01");
        const int cargas = t.Cargas();
        QTest::keyClick(ventana->windowHandle(), Qt::Key(tecla),
                        Qt::KeyboardModifiers(modificadores));
        QTRY_COMPARE(pulsado, boton);
        if (boton == 0) {
            QCOMPARE(t.Cargas(), cargas + 1);
            QVERIFY(t.Lista().contains("S99"));
        }
    }

    // A download from a gateway that answers after 2 s: the window is repainted and its
    // progress window told how far at least every 300 ms; that window is the only one that
    // takes input, and its "Cancelar" gives up the query, writing nothing but the attempt.
    void avance_data() {
        QTest::addColumn<QString>("accion"); // what the user does 500 ms into the wait
        QTest::newRow("espera") << "";
        QTest::newRow("cancelar") << "cancelar";
        QTest::newRow("cerrar, F5 y otra descarga") << "cerrar";
    }
    void avance() {
        QFETCH(QString, accion);
        simulador::Configuracion c = prueba::ConCatalogo(prueba::Catalogo(2500));
        c.demoraMs = 2000;
        prueba::PantallaDePrueba t(c);
        t.CatalogoViejo();
        const QStringList antes = t.Filas();
        t.Muestra();
        QWidget* ventana = t.Pantalla().Ventana();
        QVERIFY(QTest::qWaitForWindowExposed(ventana));
        QElapsedTimer reloj;
        QList<qint64> avisos; // when the progress window's time changed
        QString visto, total;
        bool hecho = false;
        int cargas = -1;
        QTimer sondeo;
        connect(&sondeo, &QTimer::timeout, [&] {
            auto* dialogo = qobject_cast<DialogoAvance*>(QApplication::activeModalWidget());
            if (!dialogo)
                return;
            const QString tiempo = dialogo->findChild<QLabel*>("tiempo")->text();
            if (tiempo != visto)
                avisos.append(reloj.elapsed());
            visto = tiempo;
            total = t.Total(); // the list emptied on screen meanwhile
            if (hecho || accion.isEmpty() || reloj.elapsed() < 500)
                return;
            hecho = true;
            cargas = t.Cargas();
            if (accion == "cancelar") {
                QTest::mouseClick(dialogo->findChild<QPushButton*>("cancelar"), Qt::LeftButton);
                return;
            }
            ventana->close();
            QTest::keyClick(ventana->windowHandle(), Qt::Key_F5);
            QToolButton* b1 = t.Pantalla().Controles->Boton(1);
            QTest::mouseClick(ventana->windowHandle(), Qt::LeftButton, {},
                              b1->mapTo(ventana, b1->rect().center()));
        });
        sondeo.start(10);
        reloj.start();
        t.Descarga();
        const qint64 duracion = reloj.elapsed();
        sondeo.stop();
        QCOMPARE(total, "Total: 0");
        QCOMPARE(t.Simulador().Peticiones(), 1);
        QVERIFY2(avisos.size() >= (accion == "cancelar" ? 2 : 6),
                 qPrintable(QString::number(avisos.size())));
        for (qsizetype i = 1; i < avisos.size(); ++i)
            QVERIFY2(avisos[i] - avisos[i - 1] <= 300,
                     qPrintable(QString::number(avisos[i] - avisos[i - 1])));
        const QString ultimo = t.Valor("SELECT Psd_Resultado FROM Pos_Servicio_Descarga ORDER BY "
                                       "Psd_Numero DESC LIMIT 1")
                                   .toString();
        if (accion == "cancelar") {
            QVERIFY(duracion < 1900);
            QVERIFY(t.Intacta(antes));
            QCOMPARE(ultimo, kd562::Resultado::Cancelada);
            QCOMPARE(t.Lista(), (QStringList{"V1", "V2"}));
            return;
        }
        QVERIFY(duracion >= 2000);
        QCOMPARE(ultimo, kd562::Resultado::Guardada);
        QCOMPARE(t.Total(), "Total: 2500");
        // While the gateway answers "Cancelar" is offered; once the writes begin it is not, and
        // they report between batches of 1,000 rows.
        QVERIFY(t.Avances().first().endsWith("+"));
        QCOMPARE(t.Avances().filter(QRegularExpression("^2:")),
                 (QStringList{"2:1000/2500-", "2:2000/2500-", "2:2500/2500-"}));
        QVERIFY(t.Pantalla().Cargada());
        if (!accion.isEmpty())
            QCOMPARE(t.Cargas(), cargas + 1); // the download's own load, not F5's
    }

    // "Probar conexión" queries the gateway with the account as typed and says what it found,
    // saving nothing; the text boxes speak Spanish.
    void probarConexion_data() {
        QTest::addColumn<QString>("url"); // "*": the simulator's
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("dicho"); // "estilo|texto"
        QTest::newRow("responde") << "*"
                                  << "s3creta"
                                  << "64|La pasarela respondió: 3 servicios";
        QTest::newRow("sin esquema")
            << "pasarela.ejemplo"
            << "s3creta"
            << "48|La URL del servicio no es válida: debe comenzar con http:// o https://.";
        QTest::newRow("otra contraseña")
            << "*"
            << "otra"
            << "48|La pasarela no aceptó la cuenta: Usuario o contraseña incorrectos";
    }
    void probarConexion() {
        QFETCH(QString, url);
        QFETCH(QString, password);
        QFETCH(QString, dicho);
        simulador::Configuracion c = prueba::ConCatalogo(prueba::Catalogo(3));
        c.usuario = "tienda01";
        c.password = "s3creta";
        prueba::PantallaDePrueba t(c);
        t.Muestra();
        const QStringList tablas{"Pos_Servicio_Configuracion", "Pos_Servicio_Producto"};
        const QStringList antes = t.Filas(tablas);
        QStringList menu;
        kd562::frmConfiguracion& dialogo = kd562::frmConfiguracion::Instancia();
        QTimer::singleShot(0, [&] {
            dialogo.txtUrlWs->setText(url == "*" ? t.Simulador().URL() : url);
            dialogo.txtPassword->setText(password);
            QToolButton* prueba = dialogo.Controles->Boton(3);
            QCOMPARE(prueba->text(), "Probar conexión");
            QVERIFY(dialogo.Controles->Boton(1)->shortcut().isEmpty());
            QTest::mouseClick(prueba, Qt::LeftButton);
            std::unique_ptr<QMenu> contexto(dialogo.txtUsuario->createStandardContextMenu());
            for (QAction* a : contexto->actions())
                menu.append(a->text().remove('&').section('\t', 0, 0));
            QTest::keyClick(dialogo.txtUsuario, Qt::Key_Escape);
        });
        t.Pantalla().Controles->Boton(3)->click();
        QCOMPARE(QString::number(t.Mensajes().Ultimo().estilo) + "|" + t.Mensajes().Ultimo().texto,
                 dicho);
        QCOMPARE(t.Filas(tablas), antes);
        QVERIFY(menu.contains("Copiar") && menu.contains("Seleccionar todo"));
    }

    // The helper's third mode marks every row, whatever it had.
    void marcaTodas() {
        prueba::PantallaDePrueba t;
        Servicios(t);
        ListView* lista = t.Pantalla().lvRegistros;
        lista->setCheckboxes(true);
        lista->setChecked(2, true);
        t.Pantalla().Selecciona_LV(lista, 2);
        QVERIFY(lista->Checked(1) && lista->Checked(2) && lista->Checked(3));
    }

    // A double click or Enter shows a row's note: an error one as critical, any other as
    // information.
    void dobleClic() {
        prueba::PantallaDePrueba t;
        Servicios(t);
        ListView* lista = t.Pantalla().lvRegistros;
        QVERIFY(QTest::qWaitForWindowExposed(t.Pantalla().Ventana()));
        for (const QStringList& caso : {QStringList{"10", "16|Corvanta|ERR-ID:7500006|KD562"},
                                        {"9", "64|Corvanta|ERR-ID:7500007|KD562"},
                                        {"1", ""}}) {
            t.Mensajes().Limpia();
            const int fila = caso[0].toInt();
            QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, Centro(lista, fila));
            QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {}, Centro(lista, fila));
            QCOMPARE(t.Mensajes().Cuenta(), caso[1].isEmpty() ? 0 : 1);
            if (!caso[1].isEmpty()) {
                QCOMPARE(prueba::Firma(t.Mensajes().Ultimo()), caso[1]);
                QCOMPARE(t.Mensajes().Ultimo().texto, lista->SubItem(fila, 6));
            }
        }
        // Enter on a row, from the keyboard, is its double click.
        t.Mensajes().Limpia();
        lista->setCurrentItem(lista->ListItem(9));
        QTest::keyClick(lista, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(t.Mensajes().Ultimo().texto, lista->SubItem(9, 6));
    }

    // The exit asks the host to close: a host that cannot be closed is reported, not left to
    // end the program (a host that closes: tst_kd562::anfitrion).
    void salir() {
        prueba::PantallaDePrueba t;
        Servicios(t);
        t.Pantalla().Controles->BotonSalir()->click();
        QCOMPARE(prueba::Firma(t.Mensajes().Ultimo()) + "|" + t.Mensajes().Ultimo().texto,
                 "16|Corvanta|||El objeto no se puede descargar");
        QVERIFY(t.Pantalla().Cargada());
    }
};

QTEST_MAIN(TstPantalla)
#include "tst_pantalla.moc"
