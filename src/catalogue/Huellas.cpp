#include "catalogue/Huellas.h"

#include <QCryptographicHash>

namespace kd562 {

namespace {

// A text with its length in front, or -1 for NULL: no two contents read the same.
void Agrega(QByteArray& datos, const QString& texto) {
    const QByteArray utf8 = texto.toUtf8();
    const qint32 largo = texto.isNull() ? -1 : qint32(utf8.size());
    datos.append(reinterpret_cast<const char*>(&largo), sizeof largo);
    datos.append(utf8);
}

void Agrega(QByteArray& datos, double numero) {
    const quint64 bits = ClaveMonto(numero);
    datos.append(reinterpret_cast<const char*>(&bits), sizeof bits);
}

} // namespace

QString HuellaCatalogo(const std::vector<FilaServicio>& filas) {
    return HuellaCatalogo(Ordenadas(filas));
}

QString HuellaCatalogo(const std::vector<Fila>& ordenadas) {
    QCryptographicHash huella(QCryptographicHash::Sha256);
    QByteArray datos;
    for (const Fila& fila : ordenadas) {
        const FilaServicio& f = *fila.f;
        datos.clear();
        for (const QString* texto :
             {&f.Clave, &f.Descripcion, &f.Tipo, &f.Grupo, &f.Observacion, &f.Producto})
            Agrega(datos, *texto);
        Agrega(datos, f.Monto);
        huella.addData(datos);
    }
    return QString::fromLatin1(huella.result().toHex());
}

QString HuellaProductos(std::vector<const corvanta::DatosProducto*> productos) {
    std::sort(productos.begin(), productos.end(),
              [](const auto* a, const auto* b) { return a->Clave < b->Clave; });
    QCryptographicHash huella(QCryptographicHash::Sha256);
    QByteArray datos;
    for (const corvanta::DatosProducto* p : productos) {
        datos.clear();
        for (const QString* texto :
             {&p->Clave, &p->ClaveCorta, &p->Texto1, &p->Descripcion, &p->DescripcionCorta,
              &p->Codigo1, &p->Codigo2, &p->Grupo, &p->Unidad})
            Agrega(datos, *texto);
        for (double numero : {p->Monto, p->Valor1, p->Valor2, p->Valor3, p->Valor4, p->Impuesto})
            Agrega(datos, numero);
        huella.addData(datos);
    }
    return QString::fromLatin1(huella.result().toHex());
}

QString HuellaProductos(const QHash<QString, corvanta::DatosProducto>& productos) {
    std::vector<const corvanta::DatosProducto*> punteros;
    punteros.reserve(size_t(productos.size()));
    for (const corvanta::DatosProducto& p : productos)
        punteros.push_back(&p);
    return HuellaProductos(std::move(punteros));
}

} // namespace kd562
