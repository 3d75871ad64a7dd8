#include "catalogue/frmHistorial.h"

#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "controls/Teclas.h"
#include "controls/Twips.h"
#include "forms/Manejador.h"
#include "runtime/Error.h"

#include <QHBoxLayout>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

using namespace corvanta;

namespace kd562 {

namespace {

QString Cuentas(const std::optional<std::array<int, 7>>& n, bool servicios) {
    if (!n)
        return QString();
    return servicios ? QStringLiteral("+%1 −%2 ~%3 =%4")
                           .arg((*n)[0])
                           .arg((*n)[1])
                           .arg((*n)[2])
                           .arg((*n)[3])
                     : QStringLiteral("+%1 ~%2 =%3").arg((*n)[4]).arg((*n)[5]).arg((*n)[6]);
}

} // namespace

QString TextoCambio(const QStringList& linea) {
    const qsizetype nServicio = ColumnasServicioCambio().size();
    const qsizetype celdas = linea.size() - 1;
    const bool cambiada = linea.value(0) == QStringLiteral("~");
    const bool servicio = celdas == (cambiada ? 2 * nServicio : nServicio);
    const QStringList& columnas = servicio ? ColumnasServicioCambio() : ColumnasProductoCambio();
    const QStringList antes = linea.mid(1, columnas.size());
    QString texto = servicio
                        ? QStringLiteral("%1 servicio %2 (%3): ")
                              .arg(linea.value(0), antes.value(0), antes.value(4))
                        : QStringLiteral("%1 producto %2: ").arg(linea.value(0), antes.value(0));
    QStringList partes;
    if (cambiada) {
        for (const CampoCambiado& c :
             DiferenciaCampos(columnas, antes, linea.mid(1 + columnas.size())))
            partes.append(QStringLiteral("%1: «%2» → «%3»").arg(c.campo, c.antes, c.despues));
    } else {
        for (qsizetype i = 1; i < columnas.size(); ++i)
            partes.append(QStringLiteral("%1: «%2»").arg(columnas.at(i), antes.value(i)));
    }
    return texto + partes.join(QStringLiteral("; "));
}

frmHistorial::frmHistorial() : Forma(QStringLiteral("frmHistorial")) {
    setKeyPreview(true);
    setStartUpPosition(1);
}

frmHistorial& frmHistorial::Instancia() {
    static frmHistorial* instancia = new frmHistorial;
    return *instancia;
}

void frmHistorial::CreaControles(QWidget* ventana) {
    ventana->setWindowTitle(QStringLiteral("Historial de descargas"));
    FijaGeometria(ventana, 0, 0, 11400, 6600);
    auto* columna = new QVBoxLayout(ventana);
    auto* division = new QSplitter(Qt::Vertical, ventana);
    lvEntradas = new QTreeWidget(division);
    lvEntradas->setObjectName(QStringLiteral("lvEntradas"));
    lvEntradas->setRootIsDecorated(false);
    lvEntradas->setHeaderLabels(
        {QStringLiteral("Número"), QStringLiteral("Fecha"), QStringLiteral("Operador"),
         QStringLiteral("Terminal"), QStringLiteral("Origen"), QStringLiteral("Resultado"),
         QStringLiteral("Servicios"), QStringLiteral("Productos"), QStringLiteral("Mensaje")});
    lstCambios = new QListWidget(division);
    lstCambios->setObjectName(QStringLiteral("lstCambios"));
    lstCambios->setUniformItemSizes(true);
    columna->addWidget(division, 1);
    auto* botones = new QHBoxLayout;
    cmdDeshacer = new QPushButton(QStringLiteral("&Deshacer la última descarga"), ventana);
    cmdDeshacer->setObjectName(QStringLiteral("cmdDeshacer"));
    cmdCerrar = new QPushButton(QStringLiteral("&Cerrar"), ventana);
    cmdCerrar->setObjectName(QStringLiteral("cmdCerrar"));
    botones->addWidget(cmdDeshacer);
    botones->addStretch(1);
    botones->addWidget(cmdCerrar);
    columna->addLayout(botones);

    connect(lvEntradas, &QTreeWidget::currentItemChanged, this,
            [this] { Manejador([&] { MuestraCambios(); }); });
    connect(lstCambios->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int valor) {
        if (valor >= lstCambios->verticalScrollBar()->maximum() - 20)
            Manejador([&] { SiguientePagina(); });
    });
    connect(cmdDeshacer, &QPushButton::clicked, this,
            [this] { Manejador([&] { cmdDeshacer_Click(); }); });
    connect(cmdCerrar, &QPushButton::clicked, this, [this] { Hide(); });
}

void frmHistorial::Form_KeyUp(int& KeyCode, int /*Shift*/) {
    if (KeyCode == TeclaEscape) {
        KeyCode = 0;
        Hide();
    }
}

void frmHistorial::Mostrar(QWidget* propietario) {
    try {
        CargaEntradas();
    } catch (const std::exception& e) {
        gConexion->Mensaje(
            QStringLiteral("No se puede leer el historial: %1").arg(DescripcionDe(e)), Exclamacion,
            QStringLiteral("Historial de descargas"), propietario, Modulo);
        return;
    }
    Show(1, propietario);
}

void frmHistorial::CargaEntradas() {
    Connection& cnn = gConexion->Cnn();
    lvEntradas->clear();
    lstCambios->clear();
    mLector.reset();
    if (!ExisteHistorial(cnn))
        return;
    // One right is needed to read it: a role without it learns which, instead of an empty
    // list.
    if (const QString falta = PermisoFaltante(cnn, {QStringLiteral("SELECT")}); !falta.isEmpty())
        throw Error(falta);
    const std::optional<EntradaHistorial> porDeshacer = UltimaPorDeshacer(cnn);
    cmdDeshacer->setEnabled(porDeshacer.has_value());
    QList<QTreeWidgetItem*> filas;
    for (const EntradaHistorial& e : LeeHistorial(cnn, 1000)) {
        auto* fila =
            new QTreeWidgetItem({QString::number(e.numero), FechaEnPantalla(e.fecha), e.operador,
                                 e.terminal, e.origen, e.resultado, Cuentas(e.cuentas, true),
                                 Cuentas(e.cuentas, false), e.mensaje.simplified()});
        fila->setData(0, Qt::UserRole, e.numero);
        fila->setToolTip(8, e.mensaje);
        filas.append(fila);
    }
    lvEntradas->addTopLevelItems(filas);
    for (int c = 0; c < lvEntradas->columnCount() - 1; ++c)
        lvEntradas->resizeColumnToContents(c);
    if (!filas.isEmpty())
        lvEntradas->setCurrentItem(filas.front());
}

void frmHistorial::MuestraCambios() {
    lstCambios->clear();
    mLector.reset();
    if (QTreeWidgetItem* fila = lvEntradas->currentItem()) {
        mLector.emplace(fila->data(0, Qt::UserRole).toLongLong());
        SiguientePagina();
    }
}

void frmHistorial::SiguientePagina() {
    if (!mLector || mLector->Terminado())
        return;
    // Pages until the list can scroll, so that scrolling asks for the next one.
    do {
        QStringList textos;
        mLector->Lee(gConexion->Cnn(), kFilasPorPagina,
                     [&](const QStringList& linea) { textos.append(TextoCambio(linea)); });
        lstCambios->addItems(textos);
    } while (!mLector->Terminado() && lstCambios->verticalScrollBar()->maximum() == 0 &&
             lstCambios->count() < 2 * kFilasPorPagina);
}

void frmHistorial::cmdDeshacer_Click() {
    frmKD562::Instancia().DeshazDesdeHistorial();
    CargaEntradas();
}

} // namespace kd562
