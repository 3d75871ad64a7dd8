#pragma once

#include <QColor>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPixmap>

namespace corvanta {

// Images for a list view's items, numbered from 1.
class ImageList : public QObject {
    Q_OBJECT
public:
    explicit ImageList(QObject* parent = nullptr) : QObject(parent) {}

    void Agrega(const QPixmap& imagen) { mImagenes.append(QIcon(imagen)); }
    int Count() const { return static_cast<int>(mImagenes.size()); }
    // Image i (from 1); an empty icon outside the range.
    QIcon Imagen(int i) const { return i >= 1 && i <= Count() ? mImagenes.at(i - 1) : QIcon(); }
    void setMaskColor(const QColor& color) { mMascara = color; }
    QColor MaskColor() const { return mMascara; }

private:
    QList<QIcon> mImagenes;
    QColor mMascara;
};

} // namespace corvanta
