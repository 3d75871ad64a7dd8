#include "catalogue/frmKD562.h"
#include "component/Publico.h"
#include "runtime/Cifrado.h"
#include "runtime/Error.h"
#include "runtime/Valores.h"

using namespace corvanta;

namespace kd562 {

// Prepares a fresh gateway client from the stored account.
bool frmKD562::IniciaServicios() {
    bool bResultado = false;
    try {
        Recordset rs = EjecutaSQL(QStringLiteral("SELECT * FROM Pos_Servicio_Configuracion "));
        if (rs.Eof()) {
            sMensaje = QStringLiteral("No se encontró configuración previa de servicios");
            rs.Close();
            return false;
        }
        oCliente = std::make_unique<ClienteServicio>();
        oParametros = std::make_unique<ParametrosConsulta>();
        oParametros->setTipo(QStringLiteral("TAE"));
        oCliente->setServicio(QStringLiteral("wsServiceVorn"));
        oCliente->setURL(Texto(rs.Fields(QStringLiteral("Psc_URL"))));
        oCliente->setUsuario(Texto(rs.Fields(QStringLiteral("Psc_Usuario"))));
        QString sPassword;
        {
            Cifrado oCifrado;
            oCifrado.setLlave(LlaveCifrado);
            sPassword = oCifrado.Transforma(Texto(rs.Fields(QStringLiteral("Psc_Password"))));
        }
        oCliente->setPassword(sPassword);
        bResultado = true;
        rs.Close();
        return bResultado;
    } catch (const std::exception& e) {
        // Reported by the caller, after it records the attempt.
        sFallaInicio = DescripcionDe(e);
        return false;
    }
}

} // namespace kd562
