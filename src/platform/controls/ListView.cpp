#include "controls/ListView.h"

#include "controls/ImageList.h"
#include "forms/Teclas.h"
#include "runtime/Error.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace corvanta {

namespace {
constexpr int RolImagen = Qt::UserRole + 1;
} // namespace

ListView::ListView(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setColumnCount(0);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(true);
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int seccion) { emit ColumnClick(seccion + 1); });
}

void ListView::ColumnHeadersClear() {
    setColumnCount(0);
    setHeaderLabels({});
}

void ListView::ColumnHeadersAdd(const QString& encabezado) {
    const int n = columnCount();
    setColumnCount(n + 1);
    headerItem()->setText(n, encabezado);
}

QString ListView::ColumnHeader(int columna) const {
    if (columna < 1 || columna > columnCount())
        throw Error(
            QStringLiteral("El índice de columna %1 está fuera del intervalo").arg(columna));
    return headerItem()->text(columna - 1);
}

void ListView::ListItemsClear() {
    clear();
}

void ListView::PreparaElemento(QTreeWidgetItem* elemento, int imagen) const {
    Qt::ItemFlags banderas = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (mCheckboxes) {
        banderas |= Qt::ItemIsUserCheckable;
        elemento->setCheckState(0, Qt::Unchecked);
    }
    elemento->setFlags(banderas);
    if (imagen != 0) {
        elemento->setData(0, RolImagen, imagen);
        if (mImagenes)
            elemento->setIcon(0, mImagenes->Imagen(imagen));
    }
}

void ListView::ListItemsAdd(const QList<QStringList>& filas, const QList<int>& imagenes) {
    QList<QTreeWidgetItem*> elementos;
    elementos.reserve(filas.size());
    for (qsizetype i = 0; i < filas.size(); ++i) {
        auto* elemento = new QTreeWidgetItem(filas.at(i));
        PreparaElemento(elemento, i < imagenes.size() ? imagenes.at(i) : 0);
        elementos.append(elemento);
    }
    addTopLevelItems(elementos);
    if (mSorted)
        Ordena();
}

QTreeWidgetItem* ListView::ListItem(int indice) const {
    if (indice < 1 || indice > topLevelItemCount())
        throw Error(QStringLiteral("El índice %1 está fuera del intervalo de elementos (1 a %2)")
                        .arg(indice)
                        .arg(topLevelItemCount()));
    return topLevelItem(indice - 1);
}

QString ListView::SubItem(int indice, int columna) const {
    return ListItem(indice)->text(columna);
}

bool ListView::Checked(int indice) const {
    return ListItem(indice)->checkState(0) == Qt::Checked;
}

void ListView::setChecked(int indice, bool marcado) {
    ListItem(indice)->setCheckState(0, marcado ? Qt::Checked : Qt::Unchecked);
}

int ListView::SmallIcon(int indice) const {
    return ListItem(indice)->data(0, RolImagen).toInt();
}

void ListView::setSmallIcon(int indice, int imagen) {
    QTreeWidgetItem* elemento = ListItem(indice);
    elemento->setData(0, RolImagen, imagen);
    elemento->setIcon(0, mImagenes ? mImagenes->Imagen(imagen) : QIcon());
}

int ListView::SelectedItem() const {
    const QList<QTreeWidgetItem*> seleccion = selectedItems();
    if (seleccion.isEmpty())
        return 0;
    return indexOfTopLevelItem(seleccion.constFirst()) + 1;
}

void ListView::setCheckboxes(bool mostrar) {
    if (mCheckboxes == mostrar)
        return;
    mCheckboxes = mostrar;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* elemento = topLevelItem(i);
        if (mostrar) {
            elemento->setFlags(elemento->flags() | Qt::ItemIsUserCheckable);
            elemento->setCheckState(0, Qt::Unchecked);
        } else {
            elemento->setFlags(elemento->flags() & ~Qt::ItemIsUserCheckable);
            elemento->setData(0, Qt::CheckStateRole, QVariant());
        }
    }
}

void ListView::setSortKey(int columna) {
    mSortKey = columna;
    if (mSorted)
        Ordena();
}

void ListView::setSortOrder(Qt::SortOrder orden) {
    mSortOrder = orden;
    if (mSorted)
        Ordena();
}

void ListView::setSorted(bool ordenada) {
    mSorted = ordenada;
    if (mSorted)
        Ordena();
    else
        header()->setSortIndicatorShown(false);
}

void ListView::Ordena() {
    if (mSortKey < 0 || mSortKey >= columnCount())
        return;
    sortItems(mSortKey, mSortOrder);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(mSortKey, mSortOrder);
}

void ListView::keyReleaseEvent(QKeyEvent* evento) {
    QTreeWidget::keyReleaseEvent(evento);
    if (!evento->isAutoRepeat())
        emit KeyUp(CodigoTecla(evento), EstadoShift(evento));
}

void ListView::mouseDoubleClickEvent(QMouseEvent* evento) {
    QTreeWidget::mouseDoubleClickEvent(evento);
    emit DblClick();
}

} // namespace corvanta
