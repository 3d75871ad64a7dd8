#include "controls/ListView.h"

#include "controls/ImageList.h"
#include "controls/Teclas.h"
#include "runtime/Error.h"

#include <QFontMetrics>
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

void ListView::Reemplaza(const QStringList& encabezados, const QList<QStringList>& filas,
                         const QList<int>& imagenes) {
    const bool ordenada = mSorted;
    setUpdatesEnabled(false);
    setSorted(false);
    ListItemsClear();
    ColumnHeadersClear();
    for (const QString& encabezado : encabezados)
        ColumnHeadersAdd(encabezado);
    ListItemsAdd(filas, imagenes);

    // Widths from the headings and the first rows; measuring every row of a large
    // catalogue would cost more than the filling itself.
    const QFontMetrics medidas(font());
    // The first column also holds the check box and the mark.
    const int extra0 = (mCheckboxes ? 22 : 0) + (mImagenes ? 20 : 0);
    for (int c = 0; c < encabezados.size(); ++c) {
        const int extra = 24 + (c == 0 ? extra0 : 0);
        int ancho = medidas.horizontalAdvance(encabezados.at(c)) + extra;
        for (qsizetype f = 0; f < filas.size() && f < 200; ++f)
            ancho = std::max(ancho, medidas.horizontalAdvance(filas.at(f).at(c)) + extra);
        header()->resizeSection(c, std::min(ancho, 400));
    }
    setSorted(ordenada);
    setUpdatesEnabled(true);
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
    if (evento->isAutoRepeat())
        return;
    emit KeyUp(CodigoTecla(evento), EstadoShift(evento));
    // From the keyboard, Enter on a row does what a double click on it does.
    const bool enter = evento->key() == Qt::Key_Return || evento->key() == Qt::Key_Enter;
    if (enter && (evento->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && currentItem())
        emit DblClick();
}

void ListView::mouseDoubleClickEvent(QMouseEvent* evento) {
    QTreeWidget::mouseDoubleClickEvent(evento);
    emit DblClick();
}

} // namespace corvanta
