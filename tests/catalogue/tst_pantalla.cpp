// The main screen as the operator handles it: sizes, sorting, keys, notes and the exit.
#include "PantallaDePrueba.h"
#include "controls/Twips.h"

#include <QClipboard>
#include <QHeaderView>
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

    // A double click shows a row's note: an error one as critical, any other as information.
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
