#pragma once

#include <QJsonArray>
#include <QString>

namespace corvanta {
class Connection;
}

// What the benchmark's modes share: the catalogue they download and a fresh database.
namespace banco {

// n services, six in eight of them TAE with distinct amounts, the rest bills. With `prefijo`
// the bills' descriptions all share their first ten characters.
QJsonArray Catalogo(int n, bool prefijo);

// The module's tables and the gateway account, nothing else.
void PreparaBase(corvanta::Connection& cnn, const QString& pasarela);

// A new, empty schema `nombre` on the server `servidor` (a PostgreSQL URL), and the URL that
// works in it, through `puerto` when not 0.
QString Esquema(const QString& servidor, const QString& nombre, quint16 puerto = 0);

} // namespace banco
