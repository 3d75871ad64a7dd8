#include "forms/Traducciones.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace corvanta {

bool TraduceTextosQt() {
    static QTranslator* traductor = nullptr;
    if (traductor)
        return true;
    auto* nuevo = new QTranslator(QCoreApplication::instance());
    if (!nuevo->load(QStringLiteral("qtbase_es"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete nuevo;
        return false;
    }
    QCoreApplication::installTranslator(nuevo);
    traductor = nuevo;
    return true;
}

} // namespace corvanta
