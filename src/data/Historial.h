#pragma once

#include "runtime/Recordset.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace corvanta {
class Connection;
}

namespace kd562 {

// How an entry of the history ended.
namespace Resultado {
inline const QString Guardada = QStringLiteral("guardada");       // a download that committed
inline const QString Deshecha = QStringLiteral("deshecha");       // ... and was undone later
inline const QString Deshacer = QStringLiteral("deshacer");       // an undo
inline const QString Rechazada = QStringLiteral("rechazada");     // stopped before writing
inline const QString Fallida = QStringLiteral("fallida");         // the gateway or database failed
inline const QString Desconocida = QStringLiteral("desconocida"); // the commit's reply was lost
inline const QString Descartada = QStringLiteral("descartada");   // the user chose not to save
inline const QString Cancelada = QStringLiteral("cancelada");     // the user stopped the query
} // namespace Resultado

// The longest the history keeps entries: a hundred years, whatever the configuration asks.
inline constexpr int kMaximoDiasHistorial = 36500;

// One entry: a download, an undo, or an attempt that ended without a commit.
struct EntradaHistorial {
    qint64 numero = 0;
    QString fecha; // the server's, ISO
    QString operador;
    QString terminal;
    QString origen; // "ventana" or "linea"
    QString resultado;
    qint64 deshace = 0; // an undo: the download it took back
    // Services new, retired, changed, unchanged; products new, changed, unchanged. None for
    // an attempt.
    std::optional<std::array<int, 7>> cuentas;
    QString huellaRespuesta; // SHA-256 of the gateway's reply body
    QString huellaCatalogo;  // of the catalogue's content as the entry left it
    QString huellaProductos; // of the products it changed, as it left them
    QString mensaje;         // an attempt: what the user was shown
    // When it was written, in UTC (ISO, ending in Z); empty for entries of older versions,
    // whose date is the writer's local time. Read back, the date is the instant in the
    // reader's local time when it is known.
    QString instante;
};

// An entry's date (ISO, local time) as the shop reads it: the locale's short date with the
// whole year, then hours and minutes.
QString FechaEnPantalla(const QString& iso);

// The summary's two lines of an entry's counts, as its download showed them: "Servicios: …"
// and "Productos: …".
QStringList LineasDeCuentas(const std::array<int, 7>& cuentas);

// The history's two tables: entries, and the rows each one changed.
QStringList DefinicionHistorial(const corvanta::Connection& cnn);
bool ExisteHistorial(corvanta::Connection& cnn);
// In a transaction of its own.
void CreaHistorial(corvanta::Connection& cnn);
// Whether Pos_Servicio_Descarga has the entries' instant (a table of an older version may not).
bool TieneInstante(corvanta::Connection& cnn);
// The columns, as "Table.Column", that came after the history's first tables: a database
// made before them keeps working, the entries only lack what they hold.
const QStringList& ColumnasAgregadas();
// Whether this role owns the history's tables, and so may change them and their rights.
bool EsDuenoHistorial(corvanta::Connection& cnn);
// As the tables' owner, in a transaction of its own: adds the columns that came later, and
// gives on the history every right that a role (PUBLIC too) has on Pos_Servicio_Producto and
// lacks there. Returns the GRANT statements it made.
QStringList CompletaHistorial(corvanta::Connection& cnn);
// The first of `permisos` ("SELECT", "INSERT" …) that this role lacks on a history table,
// as a clause naming role, right and table; empty when it has them all.
QString PermisoFaltante(corvanta::Connection& cnn, const QStringList& permisos);

// Services' content columns and products' columns as the changes table keeps them, in the
// tables' order: Psp_Cve_Producto … Pr_Cve_Producto, then Pr_Cve_Producto and Productos'.
const QStringList& ColumnasServicioCambio();
const QStringList& ColumnasProductoCambio();
// The kinds of change row: a service's old and new content, a product's old and new values.
inline const QString ServicioAntes = QStringLiteral("S-");
inline const QString ServicioDespues = QStringLiteral("S+");
inline const QString ProductoAntes = QStringLiteral("P-");
inline const QString ProductoDespues = QStringLiteral("P+");

// Writes the entry and returns its number.
qint64 AgregaEntrada(corvanta::Connection& cnn, const EntradaHistorial& entrada);
void CambiaResultado(corvanta::Connection& cnn, qint64 numero, const QString& resultado);
// Drops the entries dated before `fecha` (ISO) with their changes.
void PodaHistorial(corvanta::Connection& cnn, const QString& fecha);

// Newest first.
std::vector<EntradaHistorial> LeeHistorial(corvanta::Connection& cnn, int limite);
std::optional<EntradaHistorial> LeeEntrada(corvanta::Connection& cnn, qint64 numero);
// The latest download or undo that committed.
std::optional<EntradaHistorial> UltimaConfirmada(corvanta::Connection& cnn);
// The latest download that committed, undone since or not.
std::optional<EntradaHistorial> UltimaDescarga(corvanta::Connection& cnn);
// The latest download not undone yet: what an undo takes back.
std::optional<EntradaHistorial> UltimaPorDeshacer(corvanta::Connection& cnn);
// The latest attempt that ended without a commit, if it came after `numero`.
std::optional<EntradaHistorial> IntentoPosterior(corvanta::Connection& cnn, qint64 numero);
// How long ago the entry was written, by the server's clock: from its instant when it has
// one, whatever the zones of writer and reader; otherwise from its date as local time.
qint64 SegundosDesde(corvanta::Connection& cnn, const EntradaHistorial& entrada);

// The entry's change rows of one kind: the columns of its kind, in the tables' order.
corvanta::Recordset LeeCambios(corvanta::Connection& cnn, qint64 numero, const QString& clase);
// The same rows one at a time, for the services' many.
void RecorreFilasDeCambio(corvanta::Connection& cnn, qint64 numero, const QString& clase,
                          const std::function<void(const QVariantList& fila)>& porFila);
// The entry's changes as lines: a mark ("+" added, "-" retired, "~" changed, which gives the
// old columns and then the new), then the columns; services by key and amount, then
// products by key. A pair with more than one row before or after gives "-" and "+" lines.
// Each line goes to porLinea as it is read: a change of every row of a large catalogue is
// never held whole.
void RecorreCambios(corvanta::Connection& cnn, qint64 numero,
                    const std::function<void(const QStringList& linea)>& porLinea);
// The same lines, all at once.
std::vector<QStringList> LineasDeCambios(corvanta::Connection& cnn, qint64 numero);

// The same lines page by page, for a list filled as it is scrolled: each page is one query
// that is finished when Lee returns, so nothing stays open while the list waits.
class LectorCambios {
public:
    explicit LectorCambios(qint64 numero);
    // Reads up to `filas` change rows (all when 0) and hands over every line they complete;
    // true while rows are left.
    bool Lee(corvanta::Connection& cnn, qint64 filas,
             const std::function<void(const QStringList& linea)>& porLinea);
    bool Terminado() const { return mTerminado; }

private:
    void Cierra(const std::function<void(const QStringList& linea)>& porLinea);
    qint64 mNumero;
    bool mServicios = true;
    bool mTerminado = false;
    qint64 mLeidas = 0;
    QVariant mClave, mMonto;
    std::vector<QStringList> mAntes, mAhora;
};

// One field that differs between the old and the new row of a change.
struct CampoCambiado {
    QString campo, antes, despues;
};
// The fields in which two rows of these columns differ, in the columns' order.
std::vector<CampoCambiado> DiferenciaCampos(const QStringList& columnas, const QStringList& antes,
                                            const QStringList& despues);

} // namespace kd562
