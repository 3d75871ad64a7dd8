#pragma once

#include "runtime/Conexion.h"
#include "runtime/Funciones.h"

#include <QString>
#include <memory>

namespace kd562 {

// Module-wide data, created by Main when the component is first used.
extern std::unique_ptr<corvanta::Conexion> gConexion;
extern std::unique_ptr<corvanta::Funciones> gFunciones;
// The statement the running procedure is about to execute, exactly as it built it.
extern QString gSQL;

// Runs gSQL on the module's connection and returns what it read; the second form first puts
// sentencia into gSQL, for statements written in one piece.
corvanta::Recordset EjecutaSQL();
corvanta::Recordset EjecutaSQL(const QString& sentencia);

// The key that gateway passwords are stored enciphered with; stored accounts depend on it.
inline const QString LlaveCifrado = QStringLiteral("PaTiNoLuX");

// Start-up: runs once, however often it is called.
void Main();

// The module's name, as messages carry it.
inline const QString Modulo = QStringLiteral("KD562");

} // namespace kd562
