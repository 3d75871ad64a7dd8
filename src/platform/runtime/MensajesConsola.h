#pragma once

#include "runtime/ServicioMensajes.h"

#include <QTextStream>
#include <functional>

namespace corvanta {

// One line per message on a stream (standard error for the command line); questions take
// the answer the command was given.
class MensajesConsola : public ServicioMensajes {
public:
    // conPrioridad: each line starts with its syslog priority (<3> critical, <4> warnings
    // and questions answered No, <6> the rest), for a journal that reads the stream.
    explicit MensajesConsola(FILE* salida = stderr, int respuestaPreguntas = RespuestaNo,
                             bool conPrioridad = false);
    int Muestra(const Mensaje& mensaje) override;
    // The most severe style shown so far (0 none), so a command can tell how it ended.
    int PeorEstilo() const { return mPeor; }
    int Cuenta(int estilo) const;
    // Questions answered No so far.
    int RespuestasNo() const { return mNo; }
    // Who answers questions instead of the fixed answer (a person at a terminal); it writes
    // whatever it shows itself.
    void setRespondedor(std::function<int(const Mensaje&)> respondedor) {
        mRespondedor = std::move(respondedor);
    }
    // The text of the last message, so a command can add what to do about it.
    QString UltimoTexto() const { return mUltimo; }
    // Silent: only critical messages, warnings and questions answered No are written.
    void setSilencio(bool silencio) { mSilencio = silencio; }
    // Forgets what was shown, so a command can judge only what its action caused.
    void Reinicia();

    // The message on one line; enRenglones keeps a text's lines, the later ones indented.
    static QString Linea(const Mensaje& mensaje, bool enRenglones = false);

private:
    QTextStream mSalida;
    int mRespuesta;
    bool mConPrioridad;
    // On a terminal a progress line may stand where the next line goes: it is erased first.
    bool mTerminal;
    bool mSilencio = false;
    std::function<int(const Mensaje&)> mRespondedor;
    QString mUltimo;
    int mPeor = 0;
    QList<int> mEstilos;
    int mNo = 0;
};

} // namespace corvanta
