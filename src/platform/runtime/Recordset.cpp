#include "runtime/Recordset.h"

#include "runtime/Error.h"

namespace corvanta {

Recordset::Recordset(QStringList campos, std::vector<QVariantList> filas)
    : mCampos(std::move(campos)), mFilas(std::move(filas)) {
    for (int i = 0; i < mCampos.size(); ++i) {
        const QString clave = mCampos.at(i).toLower();
        if (!mIndice.contains(clave))
            mIndice.insert(clave, i);
    }
}

void Recordset::MoveNext() {
    if (Eof())
        throw Error(QStringLiteral("El registro actual no existe: el conjunto de registros ya "
                                   "está al final"));
    ++mPosicion;
}

void Recordset::Close() {
    mCerrado = true;
    mFilas.clear();
}

const QVariantList& Recordset::FilaActual() const {
    if (mCerrado)
        throw Error(
            QStringLiteral("Operación no permitida: el conjunto de registros está cerrado"));
    if (Eof())
        throw Error(QStringLiteral("El registro actual no existe: el conjunto de registros está "
                                   "al final"));
    return mFilas[static_cast<size_t>(mPosicion)];
}

const QVariant& Recordset::Fields(const QString& nombre) const {
    const auto encontrado = mIndice.constFind(nombre.toLower());
    if (encontrado == mIndice.constEnd())
        throw Error(QStringLiteral("No se encontró el campo \"%1\" en el conjunto de registros")
                        .arg(nombre));
    return FilaActual().at(encontrado.value());
}

const QVariant& Recordset::Fields(int indice) const {
    if (indice < 0 || indice >= mCampos.size())
        throw Error(QStringLiteral("No se encontró el campo número %1 en el conjunto de registros")
                        .arg(indice));
    return FilaActual().at(indice);
}

} // namespace corvanta
