#include "forms/CargaModulo.h"

#include "runtime/Error.h"

#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace corvanta {

IModulo* CargaModulo(const QString& carpeta, const QString& modulo) {
    const QString ruta = QDir(carpeta).filePath(QStringLiteral("lib%1.so").arg(modulo));
    if (!QFileInfo::exists(ruta))
        throw Error(QStringLiteral("No se encontró el módulo %1 en %2").arg(modulo, ruta));
    // Loaders are kept for the life of the process: a module's objects outlive any caller.
    auto* cargador = new QPluginLoader(ruta);
    QObject* raiz = cargador->instance();
    if (!raiz)
        throw Error(QStringLiteral("No se pudo cargar el módulo %1: %2")
                        .arg(modulo, cargador->errorString()));
    auto* interfaz = qobject_cast<IModulo*>(raiz);
    if (!interfaz)
        throw Error(QStringLiteral("%1 no es un módulo de Corvanta").arg(ruta));
    return interfaz;
}

} // namespace corvanta
