#include "account/frmConfiguracion.h"
#include "component/Publico.h"
#include "runtime/Cifrado.h"
#include "runtime/Error.h"
#include "runtime/Valores.h"

using namespace corvanta;

namespace kd562 {

// Rows stored under exactly this user.
double frmConfiguracion::Cuenta(const QString& sUsuario) {
    gSQL = QStringLiteral("SELECT COUNT(*) AS Total FROM Pos_Servicio_Configuracion ");
    gSQL += QStringLiteral("WHERE Psc_Usuario = '") + Comillas(sUsuario) + QStringLiteral("' ");
    Recordset rs = EjecutaSQL();
    const double total = Doble(rs.Fields(QStringLiteral("Total")));
    rs.Close();
    return total;
}

// Loads the stored account of the user in txtUsuario into the fields.
void frmConfiguracion::CargaConfiguracion() {
    try {
        if (txtUsuario->Text().isEmpty())
            return;
        gSQL = QStringLiteral("SELECT * ");
        gSQL += QStringLiteral("FROM Pos_Servicio_Configuracion ");
        gSQL += QStringLiteral("WHERE Psc_Usuario = '") + Comillas(txtUsuario->Text()) +
                QStringLiteral("' ");
        Recordset rs = EjecutaSQL();
        if (rs.Eof()) {
            rs.Close();
            return;
        }
        Cifrado cifrado;
        cifrado.setLlave(LlaveCifrado);
        txtUrlWs->setText(Texto(rs.Fields(QStringLiteral("Psc_URL"))));
        sUsuarioCargado = Texto(rs.Fields(QStringLiteral("Psc_Usuario")));
        txtUsuario->setText(sUsuarioCargado);
        txtPassword->setText(cifrado.Transforma(Texto(rs.Fields(QStringLiteral("Psc_Password")))));
        rs.Close();
    } catch (const std::exception& e) {
        gConexion->Mensaje(QStringLiteral("CargaConfiguracion()\r\n") + DescripcionDe(e), Critico,
                           QStringLiteral("Corvanta"), hWnd(), Modulo,
                           QStringLiteral("ERR-ID:7500021"));
    }
}

// "Aceptar": checks the fields and stores the account with its password enciphered.
void frmConfiguracion::Controles_B1Click() {
    if (Recorta(txtUrlWs->Text()).isEmpty()) {
        gConexion->Mensaje(QStringLiteral("Debe especificar un valor en el campo URL WS"),
                           Exclamacion, QStringLiteral("Corvanta"), hWnd(), Modulo,
                           QStringLiteral("ERR-ID:7500016"));
        if (txtUrlWs->Enabled())
            txtUrlWs->SetFocus();
        return;
    }
    // The account is stored under the user without edge blanks; blanks alone are no user.
    const QString sUsuario = Recorta(txtUsuario->Text());
    if (sUsuario.isEmpty()) {
        gConexion->Mensaje(QStringLiteral("Debe especificar un valor en el campo Usuario"),
                           Exclamacion, QStringLiteral("Corvanta"), hWnd(), Modulo,
                           QStringLiteral("ERR-ID:7500018"));
        if (txtUsuario->Enabled())
            txtUsuario->SetFocus();
        return;
    }
    try {
        Cifrado cifrado;
        cifrado.setLlave(LlaveCifrado);
        const QString sPassword = cifrado.Transforma(txtPassword->Text());

        // The row counted is the row written. A row stored with edge blanks by an earlier
        // version, loaded into this dialog, is taken over rather than doubled.
        QString sClave = sUsuario;
        bool bExiste = Cuenta(sUsuario) > 0;
        if (!bExiste && sUsuarioCargado != sUsuario && Recorta(sUsuarioCargado) == sUsuario &&
            Cuenta(sUsuarioCargado) > 0) {
            sClave = sUsuarioCargado;
            bExiste = true;
        }

        const QString sFecha = gFunciones->FechaSQL(gFunciones->FechaServidor());
        if (bExiste) {
            gSQL = QStringLiteral("UPDATE Pos_Servicio_Configuracion SET ");
            gSQL += QStringLiteral("   Psc_URL = '") + Comillas(Recorta(txtUrlWs->Text())) +
                    QStringLiteral("',");
            gSQL +=
                QStringLiteral("   Psc_Usuario = '") + Comillas(sUsuario) + QStringLiteral("', ");
            gSQL +=
                QStringLiteral("   Psc_Password = '") + Comillas(sPassword) + QStringLiteral("', ");
            gSQL += QStringLiteral("   Oper_Ult_Modif = '") + Comillas(gConexion->Operador()) +
                    QStringLiteral("', ");
            gSQL +=
                QStringLiteral("   Fecha_Ult_Modif = '") + Comillas(sFecha) + QStringLiteral("' ");
            gSQL +=
                QStringLiteral("WHERE Psc_Usuario = '") + Comillas(sClave) + QStringLiteral("' ");
        } else {
            gSQL = QStringLiteral("INSERT INTO Pos_Servicio_Configuracion(");
            gSQL += QStringLiteral("   Psc_URL, ");
            gSQL += QStringLiteral("   Psc_Usuario, ");
            gSQL += QStringLiteral("   Psc_Password, ");
            gSQL += QStringLiteral("   Oper_Alta, ");
            gSQL += QStringLiteral("   Fecha_Alta, ");
            gSQL += QStringLiteral("   Oper_Ult_Modif,");
            gSQL += QStringLiteral("   Fecha_Ult_Modif ");
            gSQL += QStringLiteral(")VALUES(");
            gSQL +=
                QStringLiteral("'") + Comillas(Recorta(txtUrlWs->Text())) + QStringLiteral("', ");
            gSQL += QStringLiteral("'") + Comillas(sUsuario) + QStringLiteral("', ");
            gSQL += QStringLiteral("'") + Comillas(sPassword) + QStringLiteral("', ");
            gSQL += QStringLiteral("'") + Comillas(gConexion->Operador()) + QStringLiteral("', ");
            gSQL += QStringLiteral("'") + Comillas(sFecha) + QStringLiteral("', ");
            gSQL += QStringLiteral("'") + Comillas(gConexion->Operador()) + QStringLiteral("', ");
            gSQL += QStringLiteral("'") + Comillas(sFecha) + QStringLiteral("') ");
        }
        EjecutaSQL();
        Hide();
    } catch (const std::exception& e) {
        gConexion->Mensaje(QStringLiteral("Controles_B1Click()\r\n") + DescripcionDe(e), Critico,
                           QStringLiteral("Corvanta"), hWnd(), Modulo,
                           QStringLiteral("ERR-ID:7500020"));
    }
}

} // namespace kd562
