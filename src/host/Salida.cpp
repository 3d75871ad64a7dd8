#include "host/Salida.h"

#include "runtime/EscapaLinea.h"

#include <sys/stat.h>
#include <unistd.h>

namespace kd562host {

bool EnDiario() {
    const QByteArray diario = qgetenv("JOURNAL_STREAM");
    struct stat estado {};
    if (diario.isEmpty() || ::fstat(STDERR_FILENO, &estado) != 0)
        return false;
    return diario == QByteArray::number(quint64(estado.st_dev)) + ':' +
                         QByteArray::number(quint64(estado.st_ino));
}

bool EnTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

void EscribeLinea(FILE* destino, const QString& texto, Prioridad prioridad) {
    QString linea = corvanta::EscapaLinea(texto) + QLatin1Char('\n');
    if (destino == stderr && EnDiario())
        linea.prepend(QStringLiteral("<%1>").arg(int(prioridad)));
    if (destino == stderr && EnTerminal())
        linea.prepend(QStringLiteral("\r\x1b[K"));
    std::fputs(linea.toUtf8().constData(), destino);
}

void Aviso(const QString& texto, Prioridad prioridad) {
    EscribeLinea(stderr, QStringLiteral("kd562: ") + texto, prioridad);
}

} // namespace kd562host
