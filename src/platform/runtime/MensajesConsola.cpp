#include "runtime/MensajesConsola.h"

#include "runtime/EscapaLinea.h"

#include <QRegularExpression>
#include <unistd.h>

namespace corvanta {

namespace {

QString NombreEstilo(int estilo) {
    switch (estilo) {
    case Critico:
        return QStringLiteral("CRITICO");
    case Pregunta:
        return QStringLiteral("PREGUNTA");
    case Exclamacion:
        return QStringLiteral("AVISO");
    case Informacion:
        return QStringLiteral("INFO");
    default:
        return QString::number(estilo);
    }
}

int Gravedad(int estilo) {
    switch (estilo) {
    case Critico:
        return 3;
    case Exclamacion:
        return 2;
    case Pregunta:
        return 1;
    default:
        return estilo == 0 ? 0 : 1;
    }
}

// On a terminal a text of several lines keeps them, each after the first indented so that
// none can pass for a message of its own; each still goes through the one escape.
QString Renglones(const QString& texto) {
    static const QRegularExpression salto(QStringLiteral("\r\n|\r|\n"));
    QStringList renglones = texto.split(salto);
    for (QString& r : renglones)
        r = EscapaLinea(r);
    return renglones.join(QStringLiteral("\n    "));
}

} // namespace

MensajesConsola::MensajesConsola(FILE* salida, int respuestaPreguntas, bool conPrioridad)
    : mSalida(salida), mRespuesta(respuestaPreguntas), mConPrioridad(conPrioridad),
      mTerminal(salida && ::isatty(::fileno(salida)) == 1) {
    mSalida.setEncoding(QStringConverter::Utf8);
}

QString MensajesConsola::Linea(const Mensaje& mensaje, bool enRenglones) {
    QString linea = QStringLiteral("[%1] %2: %3")
                        .arg(NombreEstilo(mensaje.estilo), EscapaLinea(mensaje.titulo),
                             enRenglones ? Renglones(mensaje.texto) : EscapaLinea(mensaje.texto));
    if (!mensaje.modulo.isEmpty())
        linea += QStringLiteral(" (%1)").arg(EscapaLinea(mensaje.modulo));
    if (!mensaje.idError.isEmpty())
        linea += QStringLiteral(" %1").arg(EscapaLinea(mensaje.idError));
    return linea;
}

int MensajesConsola::Muestra(const Mensaje& mensaje) {
    mUltimo = mensaje.texto;
    if (PideSiNo(mensaje.estilo) && mRespondedor) {
        mSalida.flush();
        const int respuesta = mRespondedor(mensaje);
        mEstilos.append(mensaje.estilo);
        if (Gravedad(mensaje.estilo) > Gravedad(mPeor))
            mPeor = mensaje.estilo;
        mNo += respuesta == RespuestaNo;
        return respuesta;
    }
    // A question answered Yes for the user goes on as planned: only a No is worth a warning.
    const bool negada = PideSiNo(mensaje.estilo) && mRespuesta == RespuestaNo;
    const bool grave = mensaje.estilo == Critico || mensaje.estilo == Exclamacion || negada;
    if (grave || !mSilencio) {
        if (mTerminal)
            mSalida << "\r\x1b[K";
        if (mConPrioridad)
            mSalida << (mensaje.estilo == Critico ? "<3>" : grave ? "<4>" : "<6>");
        mSalida << Linea(mensaje, mTerminal) << Qt::endl;
    }
    mEstilos.append(mensaje.estilo);
    if (Gravedad(mensaje.estilo) > Gravedad(mPeor))
        mPeor = mensaje.estilo;
    if (PideSiNo(mensaje.estilo)) {
        mNo += negada;
        return mRespuesta;
    }
    return RespuestaAceptar;
}

void MensajesConsola::Reinicia() {
    mEstilos.clear();
    mPeor = 0;
    mNo = 0;
}

int MensajesConsola::Cuenta(int estilo) const {
    return static_cast<int>(mEstilos.count(estilo));
}

} // namespace corvanta
