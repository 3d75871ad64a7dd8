#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace corvanta {

// A static cursor: every row was read when the statement ran, so an open Recordset never
// holds the database busy while the caller updates or commits on the same connection.
class Recordset {
public:
    Recordset() = default;
    Recordset(QStringList campos, std::vector<QVariantList> filas);

    bool Eof() const { return mCerrado || mPosicion >= static_cast<qsizetype>(mFilas.size()); }
    void MoveNext();
    void Close();

    // Field of the current row; the name is matched without regard to case.
    const QVariant& Fields(const QString& nombre) const;
    const QVariant& Fields(int indice) const;

    int FieldCount() const { return static_cast<int>(mCampos.size()); }
    QString FieldName(int indice) const { return mCampos.value(indice); }
    qsizetype RecordCount() const { return static_cast<qsizetype>(mFilas.size()); }

private:
    const QVariantList& FilaActual() const;

    QStringList mCampos;
    QHash<QString, int> mIndice;
    std::vector<QVariantList> mFilas;
    qsizetype mPosicion = 0;
    bool mCerrado = false;
};

} // namespace corvanta
