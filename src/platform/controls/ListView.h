#pragma once

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTreeWidget>

#include "controls/ImageList.h"
#include "runtime/ListaReporte.h"

namespace corvanta {

// A report-style list view: column headings, items numbered from 1 with a text, sub-items,
// a check mark and a small image, and a sort key, direction and switch of its own. Clicks
// on headings do not sort by themselves: they raise ColumnClick for the form to decide.
class ListView : public QTreeWidget, public ListaReporte {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);

    void ColumnHeadersClear();
    void ColumnHeadersAdd(const QString& encabezado);
    int ColumnCount() const override { return columnCount(); }
    QString ColumnHeader(int columna) const override; // from 1

    void ListItemsClear();
    // Appends rows at once: texts[0] is the item's text, the rest its sub-items; image 0
    // means none.
    void ListItemsAdd(const QList<QStringList>& filas, const QList<int>& imagenes = {});
    // Headings and rows at once, with columns as wide as their headings and first rows.
    void Reemplaza(const QStringList& encabezados, const QList<QStringList>& filas,
                   const QList<int>& imagenes) override;
    int ListItemsCount() const override { return topLevelItemCount(); }
    QTreeWidgetItem* ListItem(int indice) const; // from 1; throws outside the range
    QString ItemText(int indice) const { return SubItem(indice, 0); }
    QString SubItem(int indice, int columna) const override;
    bool Checked(int indice) const;
    void setChecked(int indice, bool marcado);
    int SmallIcon(int indice) const;
    void setSmallIcon(int indice, int imagen);
    // The selected item's position (from 1), or 0 when none is selected.
    int SelectedItem() const;

    bool Checkboxes() const { return mCheckboxes; }
    void setCheckboxes(bool mostrar);
    int SortKey() const { return mSortKey; }
    void setSortKey(int columna);
    Qt::SortOrder SortOrder() const { return mSortOrder; }
    void setSortOrder(Qt::SortOrder orden);
    bool Sorted() const { return mSorted; }
    void setSorted(bool ordenada);

    void setSmallIcons(ImageList* imagenes) { mImagenes = imagenes; }
    ImageList* SmallIcons() const { return mImagenes.data(); }

signals:
    void ColumnClick(int columna); // from 1
    void KeyUp(int codigoTecla, int shift);
    void DblClick();

protected:
    void keyReleaseEvent(QKeyEvent* evento) override;
    void mouseDoubleClickEvent(QMouseEvent* evento) override;

private:
    void Ordena();
    void PreparaElemento(QTreeWidgetItem* elemento, int imagen) const;

    bool mCheckboxes = false;
    int mSortKey = 0;
    Qt::SortOrder mSortOrder = Qt::AscendingOrder;
    bool mSorted = false;
    QPointer<ImageList> mImagenes;
};

} // namespace corvanta
