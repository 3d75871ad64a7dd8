#include "SimuladorPasarela.h"
#include "gateway/ClienteServicio.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <thread>

using namespace corvanta;

namespace {

// A self-signed certificate for 127.0.0.1: a TLS server that no authority vouches for.
bool CreaCertificado(const QString& certificado, const QString& llave) {
    EVP_PKEY* clave = EVP_RSA_gen(2048);
    X509* x509 = X509_new();
    if (!clave || !x509)
        return false;
    ASN1_INTEGER_set(X509_get_serialNumber(x509), 1);
    X509_gmtime_adj(X509_getm_notBefore(x509), 0);
    X509_gmtime_adj(X509_getm_notAfter(x509), 3600);
    X509_set_pubkey(x509, clave);
    X509_NAME* nombre = X509_get_subject_name(x509);
    X509_NAME_add_entry_by_txt(nombre, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(x509, nombre);
    X509_sign(x509, clave, EVP_sha256());
    bool bien = false;
    if (FILE* f = fopen(QFile::encodeName(certificado).constData(), "wb")) {
        bien = PEM_write_X509(f, x509) == 1;
        fclose(f);
    }
    if (FILE* f = fopen(QFile::encodeName(llave).constData(), "wb")) {
        bien = PEM_write_PrivateKey(f, clave, nullptr, nullptr, 0, nullptr, nullptr) == 1 && bien;
        fclose(f);
    }
    X509_free(x509);
    EVP_PKEY_free(clave);
    return bien;
}

// Local addresses on which a TCP port listens, from the kernel's table (no traffic sent).
QStringList DireccionesEscuchando(quint16 puerto) {
    QStringList direcciones;
    for (const char* tabla : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile f(QString::fromLatin1(tabla));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        f.readLine();
        while (!f.atEnd()) {
            const QList<QByteArray> campos = f.readLine().simplified().split(' ');
            if (campos.size() < 4 || campos.at(3) != "0A") // 0A: LISTEN
                continue;
            const QList<QByteArray> local = campos.at(1).split(':');
            if (local.size() == 2 && local.at(1).toUInt(nullptr, 16) == puerto)
                direcciones.append(QString::fromLatin1(local.at(0)));
        }
    }
    return direcciones;
}

} // namespace

class TstSeguridad : public QObject {
    Q_OBJECT

private slots:
    void certificadoInvalidoRechazado();
    void simuladorSoloEnLoopback();
};

void TstSeguridad::certificadoInvalidoRechazado() {
    QTemporaryDir carpeta;
    const QString certificado = carpeta.filePath(QStringLiteral("cert.pem"));
    const QString llave = carpeta.filePath(QStringLiteral("llave.pem"));
    QVERIFY(CreaCertificado(certificado, llave));
    httplib::SSLServer servidor(QFile::encodeName(certificado).constData(),
                                QFile::encodeName(llave).constData());
    QVERIFY(servidor.is_valid());
    std::atomic<int> peticiones = 0;
    servidor.Post(".*", [&](const httplib::Request&, httplib::Response& r) {
        ++peticiones;
        r.set_content(R"({"code":200,"message":"OK","result":[]})", "application/json");
    });
    const int puerto = servidor.bind_to_any_port("127.0.0.1");
    QVERIFY(puerto > 0);
    std::thread hilo([&] { servidor.listen_after_bind(); });

    ClienteServicio cliente;
    cliente.setURL(QStringLiteral("https://127.0.0.1:%1/wsService").arg(puerto));
    cliente.setServicio(QStringLiteral("wsServiceVorn"));
    cliente.setUsuario(QStringLiteral("tienda"));
    cliente.setPassword(QStringLiteral("Secreto-TLS-1"));
    cliente.setLimitesMs(3000, 5000);
    ParametrosConsulta parametros;
    parametros.setTipo(QStringLiteral("TAE"));
    Respuesta respuesta;
    const bool aceptada = cliente.ConsultaProductos(parametros, respuesta);
    servidor.stop();
    hilo.join();
    QVERIFY(!aceptada);
    QCOMPARE(peticiones.load(), 0); // nothing, the password least of all, was sent
    QVERIFY(!cliente.UltimoError().isEmpty());
    QVERIFY(!cliente.UltimoError().contains(QStringLiteral("Secreto-TLS-1")));
    QVERIFY2(cliente.UltimoError().contains(QStringLiteral("certificado"), Qt::CaseInsensitive),
             qPrintable(cliente.UltimoError()));
}

void TstSeguridad::simuladorSoloEnLoopback() {
    simulador::SimuladorPasarela simulador;
    const quint16 puerto = simulador.Inicia();
    QVERIFY(puerto != 0);
    // 0100007F is 127.0.0.1 as the kernel writes it.
    QCOMPARE(DireccionesEscuchando(puerto), QStringList({QStringLiteral("0100007F")}));
}

QTEST_MAIN(TstSeguridad)
#include "tst_seguridad.moc"
