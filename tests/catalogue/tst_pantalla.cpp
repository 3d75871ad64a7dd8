#include "BaseTemporal.h"
#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "controls/Twips.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QToolButton>
#include <QtTest>

using namespace corvanta;
using kd562::frmKD562;

namespace {

// The host's container: closing it unloads the screen it holds.
class Contenedor : public QWidget {
public:
    Contenedor() { setProperty("Transaccion", QStringLiteral("T-1")); }
    int cierres = 0;

protected:
    void closeEvent(QCloseEvent* evento) override {
        ++cierres;
        frmKD562::Instancia().Unload();
        QWidget::closeEvent(evento);
    }
};

frmKD562& Pantalla() {
    return frmKD562::Instancia();
}

// Twelve services tied to products, plus rows that must not be listed.
void Catalogo(prueba::BaseTemporal& base) {
    base.AgregaCuenta(QStringLiteral("http://127.0.0.1:9/wsService"), QStringLiteral("tienda01"),
                      QStringLiteral("secreta"));
    for (int i = 1; i <= 12; ++i) {
        const QString servicio = QStringLiteral("S%1").arg(13 - i, 2, 10, QLatin1Char('0'));
        const QString producto = QStringLiteral("P%1").arg(i);
        base.AgregaProducto(producto, QStringLiteral("Producto %1").arg(i));
        QString nota;
        if (i == 3)
            nota = QStringLiteral("Error: servicio suspendido");
        else if (i == 4)
            nota = QStringLiteral("Disponible las 24 horas");
        base.AgregaServicio(servicio, QStringLiteral("Servicio %1").arg(i),
                            i % 2 ? QStringLiteral("TAE") : QStringLiteral("SERVICIOS"), i * 10,
                            nota, producto);
    }
    base.AgregaServicio(QStringLiteral("X01"), QStringLiteral("Otro tipo"), QStringLiteral("TAE"),
                        5, QString(), QStringLiteral("P1"), QStringLiteral("02"));
    base.AgregaServicio(QStringLiteral("X02"), QStringLiteral("Sin producto"),
                        QStringLiteral("TAE"), 5, QString(), QString());
    base.AgregaServicio(QStringLiteral("X03"), QStringLiteral("Producto ausente"),
                        QStringLiteral("TAE"), 5, QString(), QStringLiteral("NOEXISTE"));
}

int FilaDe(ListView* lista, const QString& servicio) {
    for (int i = 1; i <= lista->ListItemsCount(); ++i)
        if (lista->ItemText(i) == servicio)
            return i;
    return 0;
}

void ClicEncabezado(ListView* lista, int columna) {
    QHeaderView* encabezado = lista->header();
    const int x =
        encabezado->sectionViewportPosition(columna - 1) + encabezado->sectionSize(columna - 1) / 2;
    QTest::mouseClick(encabezado->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
}

QStringList Columna(ListView* lista, int columna) {
    QStringList valores;
    for (int i = 1; i <= lista->ListItemsCount(); ++i)
        valores.append(lista->SubItem(i, columna));
    return valores;
}

} // namespace

class TstPantalla : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        KD562_SALTA_SIN_SERVIDOR();
        kd562::Main();
    }
    void cleanup();
    void redimensiona();
    void barraAnchoDeLaVentana_data();
    void barraAnchoDeLaVentana();
    void encogeSinMensaje();
    void sinCuentaAvisa();
    void listaSoloServiciosLigados();
    void dosCargasNoDuplican();
    void usuarioNuloFalla();
    void ordenaAlternando();
    void ordenaOtraColumnaInvierte();
    void teclas_data();
    void teclas();
    void f5Recarga_data();
    void f5Recarga();
    void seleccionaLV_data();
    void seleccionaLV();
    void dobleClic();
    void salirYVolver();
};

void TstPantalla::cleanup() {
    Pantalla().Unload();
    Pantalla().setPadre(nullptr);
    Pantalla().sUrlWs.clear();
}

void TstPantalla::redimensiona() {
    prueba::BaseTemporal base;
    Catalogo(base);
    Pantalla().Load();
    Pantalla().Redimensiona(12000, 7000);
    QCOMPARE(Ancho(Pantalla().lvRegistros), 11760);
    QCOMPARE(Alto(Pantalla().lvRegistros), 4930);
    QCOMPARE(Izquierda(Pantalla().lvRegistros), 120);
    QCOMPARE(Arriba(Pantalla().lvRegistros), 1920);
}

void TstPantalla::barraAnchoDeLaVentana_data() {
    QTest::addColumn<QSize>("tamano");
    QTest::newRow("800x480") << QSize(800, 480);
    QTest::newRow("1280x800") << QSize(1280, 800);
    QTest::newRow("angosta") << QSize(420, 480);
}

void TstPantalla::barraAnchoDeLaVentana() {
    QFETCH(QSize, tamano);
    prueba::BaseTemporal base;
    Catalogo(base);
    QWidget* ventana = Pantalla().Ventana();
    ventana->show();
    QVERIFY(QTest::qWaitForWindowExposed(ventana));
    ventana->resize(tamano);
    QApplication::processEvents();
    // The toolbar follows the window; the list keeps its margins from Form_Resize.
    QCOMPARE(Pantalla().Controles->width(), tamano.width());
    QCOMPARE(Pantalla().lvRegistros->geometry().right(), tamano.width() - 1 - 8);
    QToolButton* salir = Pantalla().Controles->BotonSalir();
    QVERIFY(Pantalla().Controles->width() - salir->geometry().right() <= 8);
    QVERIFY(Pantalla().Controles->Boton(3)->geometry().right() < salir->geometry().left());
}

void TstPantalla::encogeSinMensaje() {
    prueba::BaseTemporal base;
    Catalogo(base);
    Pantalla().Load();
    Pantalla().Redimensiona(12000, 7000);
    const qsizetype mensajes = base.Mensajes().Cuenta();
    Pantalla().Redimensiona(200, 1500);
    QCOMPARE(Alto(Pantalla().lvRegistros), 4930);
    QCOMPARE(Ancho(Pantalla().lvRegistros), 11760);
    QCOMPARE(base.Mensajes().Cuenta(), mensajes);
    Pantalla().Redimensiona(3000, 2070);
    QCOMPARE(Alto(Pantalla().lvRegistros), 0);
    QCOMPARE(Ancho(Pantalla().lvRegistros), 2760);
}

void TstPantalla::sinCuentaAvisa() {
    prueba::BaseTemporal base;
    Pantalla().sUrlWs = QStringLiteral("http://anterior");
    Pantalla().Load();
    QCOMPARE(base.Mensajes().Cuenta(), 1);
    const Mensaje& aviso = base.Mensajes().Ultimo();
    QCOMPARE(aviso.texto,
             QStringLiteral("CargaDatos()\r\nNo se encontró configuración para mostrar"));
    QCOMPARE(aviso.estilo, 48);
    QCOMPARE(aviso.titulo, QStringLiteral("Corvanta"));
    QCOMPARE(aviso.modulo, QStringLiteral("KD562"));
    QCOMPARE(aviso.idError, QString());
    QCOMPARE(aviso.propietario.data(), Pantalla().Ventana());
    QCOMPARE(Pantalla().sUrlWs, QStringLiteral("http://anterior"));
    QCOMPARE(Pantalla().lvRegistros->ColumnCount(), 0);
    QCOMPARE(Pantalla().lbTotal->Caption(), QString());
    QCOMPARE(Pantalla().txtUsuario->Text(), QString());
}

void TstPantalla::listaSoloServiciosLigados() {
    prueba::BaseTemporal base;
    Catalogo(base);
    Pantalla().Load();
    QCOMPARE(base.Mensajes().Cuenta(), 0);
    ListView* lista = Pantalla().lvRegistros;
    const QStringList encabezados = {"Servicio", "Descripción", "Grupo",        "Monto",
                                     "Clave",    "Producto",    "Observaciones"};
    QCOMPARE(lista->ColumnCount(), encabezados.size());
    for (int c = 1; c <= lista->ColumnCount(); ++c)
        QCOMPARE(lista->ColumnHeader(c), encabezados.at(c - 1));
    QCOMPARE(lista->ListItemsCount(), 12);
    QStringList servicios = Columna(lista, 0);
    QStringList ordenados = servicios;
    ordenados.sort();
    QCOMPARE(servicios, ordenados);
    QVERIFY(!servicios.contains(QStringLiteral("X01")));
    QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 12"));
    QCOMPARE(Pantalla().txtUsuario->Text(), QStringLiteral("tienda01"));
    QCOMPARE(Pantalla().sUrlWs, QStringLiteral("http://127.0.0.1:9/wsService"));
    const int fila = FilaDe(lista, QStringLiteral("S12"));
    QCOMPARE(lista->SubItem(fila, 4), QStringLiteral("P1"));
    QCOMPARE(lista->SubItem(fila, 5), QStringLiteral("Producto 1"));
}

void TstPantalla::dosCargasNoDuplican() {
    prueba::BaseTemporal base;
    Catalogo(base);
    Pantalla().Load();
    const QStringList antes = Columna(Pantalla().lvRegistros, 0);
    Pantalla().CargaDatos();
    QCOMPARE(Columna(Pantalla().lvRegistros, 0), antes);
    QCOMPARE(Pantalla().lvRegistros->ColumnCount(), 7);
    QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 12"));
}

void TstPantalla::usuarioNuloFalla() {
    prueba::BaseTemporal base;
    base.Ejecuta(QStringLiteral("INSERT INTO Pos_Servicio_Configuracion (Psc_URL, Psc_Usuario) "
                                "VALUES ('http://x/wsService', NULL)"));
    Pantalla().Load();
    QCOMPARE(base.Mensajes().Cuenta(), 1);
    const Mensaje& fallo = base.Mensajes().Ultimo();
    QVERIFY(fallo.texto.startsWith(QStringLiteral("CargaDatos()\r\n")));
    QVERIFY(fallo.texto.size() > QStringLiteral("CargaDatos()\r\n").size());
    QCOMPARE(fallo.estilo, 16);
    QCOMPARE(fallo.titulo, QStringLiteral("Corvanta"));
    QCOMPARE(fallo.idError, QStringLiteral("ERR-ID:7500015"));
    QCOMPARE(fallo.modulo, QStringLiteral("KD562"));
    // The URL was read before the user failed.
    QCOMPARE(Pantalla().sUrlWs, QStringLiteral("http://x/wsService"));
}

void TstPantalla::ordenaAlternando() {
    prueba::BaseTemporal base;
    Catalogo(base);
    Pantalla().Show();
    ListView* lista = Pantalla().lvRegistros;
    ClicEncabezado(lista, 4);
    QCOMPARE(lista->SortKey(), 3);
    QVERIFY(lista->Sorted());
    QCOMPARE(lista->SortOrder(), Qt::DescendingOrder);
    QStringList montos = Columna(lista, 3);
    QStringList esperado = montos;
    std::sort(esperado.begin(), esperado.end(), std::greater<QString>());
    QCOMPARE(montos, esperado);
    ClicEncabezado(lista, 4);
    QCOMPARE(lista->SortOrder(), Qt::AscendingOrder);
    montos = Columna(lista, 3);
    std::sort(esperado.begin(), esperado.end());
    QCOMPARE(montos, esperado);
}

void TstPantalla::ordenaOtraColumnaInvierte() {
    prueba::BaseTemporal base;
    Catalogo(base);
    Pantalla().Show();
    ListView* lista = Pantalla().lvRegistros;
    ClicEncabezado(lista, 1);
    QCOMPARE(lista->SortOrder(), Qt::DescendingOrder);
    ClicEncabezado(lista, 3);
    QCOMPARE(lista->SortKey(), 2);
    QCOMPARE(lista->SortOrder(), Qt::AscendingOrder);
    QCOMPARE(lista->SubItem(1, 2), QStringLiteral("SERVICIOS"));
}

void TstPantalla::teclas_data() {
    QTest::addColumn<int>("tecla");
    QTest::addColumn<int>("modificadores");
    QTest::addColumn<QString>("marcas"); // expected marks of rows 1..3 after the keys
    QTest::newRow("ctrl+e invierte") << int(Qt::Key_E) << int(Qt::ControlModifier) << "010";
    QTest::newRow("ctrl+shift+e quita")
        << int(Qt::Key_E) << int(Qt::ControlModifier | Qt::ShiftModifier) << "000";
    QTest::newRow("ctrl+alt+e nada")
        << int(Qt::Key_E) << int(Qt::ControlModifier | Qt::AltModifier) << "101";
    QTest::newRow("ctrl+shift+c nada")
        << int(Qt::Key_C) << int(Qt::ControlModifier | Qt::ShiftModifier) << "101";
    QTest::newRow("e sola nada") << int(Qt::Key_E) << int(Qt::NoModifier) << "101";
}

void TstPantalla::teclas() {
    QFETCH(int, tecla);
    QFETCH(int, modificadores);
    QFETCH(QString, marcas);
    prueba::BaseTemporal base;
    Catalogo(base);
    Pantalla().Show();
    ListView* lista = Pantalla().lvRegistros;
    lista->setChecked(1, true);
    lista->setChecked(3, true);
    QTest::keyRelease(lista, static_cast<Qt::Key>(tecla),
                      static_cast<Qt::KeyboardModifiers>(modificadores));
    QString obtenidas;
    for (int i = 1; i <= 3; ++i)
        obtenidas += lista->Checked(i) ? QLatin1Char('1') : QLatin1Char('0');
    QCOMPARE(obtenidas, marcas);
    QCOMPARE(lista->ListItemsCount(), 12);
    if (tecla == Qt::Key_E && modificadores == Qt::ControlModifier) {
        // A second Ctrl+E restores every mark.
        QTest::keyRelease(lista, Qt::Key_E, Qt::ControlModifier);
        QVERIFY(lista->Checked(1) && !lista->Checked(2) && lista->Checked(3));
    }
}

void TstPantalla::f5Recarga_data() {
    QTest::addColumn<int>("modificadores");
    QTest::newRow("sola") << int(Qt::NoModifier);
    QTest::newRow("con ctrl") << int(Qt::ControlModifier);
    QTest::newRow("con shift") << int(Qt::ShiftModifier);
}

void TstPantalla::f5Recarga() {
    QFETCH(int, modificadores);
    prueba::BaseTemporal base;
    Catalogo(base);
    Pantalla().Show();
    base.AgregaProducto(QStringLiteral("P99"), QStringLiteral("Nuevo"));
    base.AgregaServicio(QStringLiteral("S99"), QStringLiteral("Nuevo"), QStringLiteral("TAE"), 1,
                        QString(), QStringLiteral("P99"));
    QTest::keyRelease(Pantalla().lvRegistros, Qt::Key_F5,
                      static_cast<Qt::KeyboardModifiers>(modificadores));
    QCOMPARE(Pantalla().lvRegistros->ListItemsCount(), 13);
    QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 13"));
}

void TstPantalla::seleccionaLV_data() {
    QTest::addColumn<int>("modo"); // -1: omitted
    QTest::addColumn<bool>("casillas");
    QTest::addColumn<QString>("marcas");
    QTest::newRow("0 invierte") << 0 << true << "010";
    QTest::newRow("omitido invierte") << -1 << true << "010";
    QTest::newRow("1 quita") << 1 << true << "000";
    QTest::newRow("2 marca") << 2 << true << "111";
    QTest::newRow("5 nada") << 5 << true << "101";
    QTest::newRow("sin casillas nada") << 2 << false << "";
}

void TstPantalla::seleccionaLV() {
    QFETCH(int, modo);
    QFETCH(bool, casillas);
    QFETCH(QString, marcas);
    prueba::BaseTemporal base;
    ListView lista;
    lista.ColumnHeadersAdd(QStringLiteral("A"));
    lista.setCheckboxes(true);
    lista.ListItemsAdd({{"1"}, {"2"}, {"3"}});
    lista.setChecked(1, true);
    lista.setChecked(3, true);
    if (!casillas)
        lista.setCheckboxes(false);
    QObject* pantalla = &Pantalla();
    // The host reaches the method by name.
    if (modo < 0)
        QVERIFY(QMetaObject::invokeMethod(pantalla, "Selecciona_LV",
                                          Q_ARG(corvanta::ListView*, &lista)));
    else
        QVERIFY(QMetaObject::invokeMethod(pantalla, "Selecciona_LV",
                                          Q_ARG(corvanta::ListView*, &lista), Q_ARG(int, modo)));
    QString obtenidas;
    for (int i = 1; i <= 3; ++i)
        if (lista.ListItem(i)->data(0, Qt::CheckStateRole).isValid())
            obtenidas += lista.Checked(i) ? QLatin1Char('1') : QLatin1Char('0');
    QCOMPARE(obtenidas, marcas);
}

void TstPantalla::dobleClic() {
    prueba::BaseTemporal base;
    Catalogo(base);
    Pantalla().Show();
    ListView* lista = Pantalla().lvRegistros;
    QVERIFY(QTest::qWaitForWindowExposed(Pantalla().Ventana()));
    // Empty area, nothing ever selected: nothing shown.
    QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {},
                       QPoint(10, lista->viewport()->height() - 3));
    QCOMPARE(base.Mensajes().Cuenta(), 0);

    struct Caso {
        QString servicio;
        int estilo;
        QString id;
    };
    // Rows 3 and 4 of the catalogue are S10 (error note) and S09 (information note).
    const QList<Caso> casos = {{"S10", 16, "ERR-ID:7500006"}, {"S09", 64, "ERR-ID:7500007"}};
    for (const Caso& caso : casos) {
        const int fila = FilaDe(lista, caso.servicio);
        lista->scrollToItem(lista->ListItem(fila));
        const QPoint punto = lista->visualItemRect(lista->ListItem(fila)).center();
        QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, punto);
        QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {}, punto);
        QCOMPARE(base.Mensajes().Cuenta(), 1);
        const Mensaje& nota = base.Mensajes().Ultimo();
        QCOMPARE(nota.texto, lista->SubItem(fila, 6));
        QCOMPARE(nota.estilo, caso.estilo);
        QCOMPARE(nota.idError, caso.id);
        QCOMPARE(nota.titulo, QStringLiteral("Corvanta"));
        QCOMPARE(nota.modulo, QStringLiteral("KD562"));
        base.Mensajes().Limpia();
    }
    // A row without a note shows nothing.
    const int sinNota = FilaDe(lista, QStringLiteral("S01"));
    const QPoint punto = lista->visualItemRect(lista->ListItem(sinNota)).center();
    QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {}, punto);
    QCOMPARE(base.Mensajes().Cuenta(), 0);
}

void TstPantalla::salirYVolver() {
    prueba::BaseTemporal base;
    Catalogo(base);
    Contenedor contenedor;
    Pantalla().setPadre(&contenedor);
    Pantalla().Show();
    QVERIFY(Pantalla().lvRegistros);
    QVERIFY(!Pantalla().oCliente);
    Pantalla().Controles->BotonSalir()->click();
    QCOMPARE(contenedor.cierres, 1);
    QVERIFY(!Pantalla().Cargada());
    QCOMPARE(Pantalla().Padre(), &contenedor);
    QCOMPARE(Pantalla().sUrlWs, QStringLiteral("http://127.0.0.1:9/wsService"));

    // Shown again: the load runs afresh and reads what is stored now.
    base.Ejecuta(QStringLiteral("DELETE FROM Pos_Servicio_Producto WHERE Psp_Cve_Producto = "
                                "'S01'"));
    Pantalla().Show();
    QVERIFY(Pantalla().Cargada());
    QCOMPARE(Pantalla().lbTotal->Caption(), QStringLiteral("Total: 11"));
    QCOMPARE(Pantalla().Padre(), &contenedor);
    QCOMPARE(&frmKD562::Instancia(), &Pantalla());
}

QTEST_MAIN(TstPantalla)
#include "tst_pantalla.moc"
