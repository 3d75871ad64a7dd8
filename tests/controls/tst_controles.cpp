#include "controls/Controles.h"

#include <QLabel>
#include <QToolButton>
#include <QtTest>

using namespace corvanta;

class TstControles : public QObject {
    Q_OBJECT

private slots:
    void siguePadre_data() {
        QTest::addColumn<QList<int>>("anchos"); // the parent's widths, one after the other
        QTest::addColumn<bool>("recortado");    // at the last width
        QTest::newRow("encoge") << QList<int>{1280, 480} << true;
        QTest::newRow("vuelve a crecer") << QList<int>{400, 1280} << false;
    }

    void siguePadre() {
        QFETCH(QList<int>, anchos);
        QFETCH(bool, recortado);
        const QString titulo = "Sincronización de productos TAE y servicios de la sucursal Centro";
        QWidget padre;
        padre.resize(anchos.first(), 300);
        auto* barra = new Controles(&padre);
        barra->setGeometry(0, 0, 300, 64);
        // Captions set out of order still show as 1, 2, 3, then the exit button.
        barra->setB3Caption("Configurar cuenta");
        barra->setB1Caption("Configurar servicios");
        barra->setB2Caption("Otro");
        barra->setShowExitButton("SI");
        barra->setCaption(titulo);
        padre.show();
        QVERIFY(QTest::qWaitForWindowExposed(&padre));
        for (int ancho : anchos) {
            padre.resize(ancho, 300);
            QApplication::processEvents();
            QCOMPARE(barra->width(), ancho);
        }
        QCOMPARE(barra->height(), 64);

        auto* etiqueta = barra->findChild<QLabel*>("titulo");
        const QList<QWidget*> orden = {etiqueta, barra->Boton(1), barra->Boton(2), barra->Boton(3),
                                       barra->BotonSalir()};
        for (qsizetype i = 1; i < orden.size(); ++i) {
            QVERIFY(orden.at(i - 1)->geometry().right() < orden.at(i)->geometry().left());
            QVERIFY(orden.at(i)->width() >= orden.at(i)->sizeHint().width());
        }
        // At the right, whatever the width.
        QVERIFY(barra->width() - barra->BotonSalir()->geometry().right() <= 8);
        QCOMPARE(barra->Caption(), titulo);
        QCOMPARE(etiqueta->toolTip(), titulo);
        const QString visto = etiqueta->text();
        QVERIFY(etiqueta->fontMetrics().horizontalAdvance(visto) <=
                etiqueta->contentsRect().width());
        // Cut to whole letters: what shows is the start of the title and an ellipsis.
        QCOMPARE(visto, recortado ? titulo.left(visto.size() - 1) + QChar(0x2026) : titulo);
        QVERIFY(visto.size() > 1);
    }

    void cambiaDePadre() {
        QWidget primero;
        primero.resize(500, 200);
        QWidget segundo;
        segundo.resize(900, 200);
        primero.show();
        segundo.show();
        QVERIFY(QTest::qWaitForWindowExposed(&segundo));
        auto* barra = new Controles(&primero);
        QCOMPARE(barra->width(), 500);
        barra->setParent(&segundo);
        QCOMPARE(barra->width(), 900);
        // The first parent no longer drives it.
        primero.resize(300, 200);
        QCOMPARE(barra->width(), 900);
        segundo.resize(1000, 200);
        QCOMPARE(barra->width(), 1000);
    }
};

QTEST_MAIN(TstControles)
#include "tst_controles.moc"
