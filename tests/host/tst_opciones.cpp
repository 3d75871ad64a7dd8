// The command line as the program reads it, with its configuration files, without running
// anything.
#include "host/Opciones.h"

#include <QTemporaryDir>
#include <QtTest>

class TstOpciones : public QObject {
    Q_OBJECT

private slots:
    void opciones_data() {
        QTest::addColumn<QString>("sistema"); // configuration files' contents; empty: none
        QTest::addColumn<QString>("usuario");
        QTest::addColumn<QStringList>("argumentos");
        // The refusal, or "db|operator|command|flags|url|user|modules|help topic", where
        // the flags are d(emo) s(yes) r(dry-run) a(llow-shrink) p(assword-stdin) q(uiet) l(ist)
        // t(est).
        QTest::addColumn<QString>("esperado");
        const auto fila = [](const char* nombre, const QStringList& argumentos,
                             const QString& esperado, const QString& sistema = {},
                             const QString& usuario = {}) {
            QTest::newRow(nombre) << sistema << usuario << argumentos << esperado;
        };
        const QString db = QStringLiteral("sqlite:corvanta.db|");
        fila("sin comando", {}, "Falta el comando");
        fila("comando desconocido", {"borra"}, "Comando desconocido: borra");
        fila("ayuda de comando desconocido", {"help", "borra"}, "Comando desconocido: borra");
        fila("opcion desconocida despues", {"list", "--bogus"}, "Opción desconocida: --bogus");
        fila("opcion corta desconocida", {"list", "-x"}, "Opción desconocida: -x");
        fila("password en linea", {"account", "--user", "u", "--password", "S1"},
             "La contraseña no se acepta en la línea de órdenes: use --password-stdin");
        fila("account sin usuario", {"account", "--url", "http://a/ws"},
             "account necesita --user USUARIO");
        fila("url sin servidor", {"account", "--url", "pasarela.ejemplo", "--user", "u"},
             "--url espera una dirección http:// o https:// con su servidor, como "
             "https://pasarela.ejemplo/wsService: pasarela.ejemplo");
        fila("url de otro protocolo", {"account", "--url", "ftp://a/ws", "--user", "u"},
             "--url espera una dirección http:// o https:// con su servidor, como "
             "https://pasarela.ejemplo/wsService: ftp://a/ws");
        fila("prueba que cambia", {"account", "--test", "--user", "u"},
             "--test prueba la cuenta guardada: no va con --url, --user ni --password-stdin");
        fila("formato de status en list", {"list", "--format", "nagios"},
             "--format espera text, tsv o json: nagios");
        fila("formato desconocido", {"status", "--format", "xml"},
             "--format espera text, tsv, json, nagios o prometheus: xml");
        fila("aviso en cero", {"status", "--warning", "0"},
             "--warning espera un número de horas mayor que cero: 0");
        fila("usuario vacio", {"account", "--user", ""}, "--user no puede estar vacío");
        fila("opcion de otro comando", {"list", "--yes"}, "La opción --yes no vale con list");
        fila("db sin valor", {"list", "--db"}, "Falta el valor de --db");
        fila("valor de mas", {"sync", "--yes=1"}, "La opción --yes no lleva valor");
        fila("argumento de mas", {"list", "todo"}, "Argumento de más: todo");
        fila("ayuda de mas", {"help", "sync", "list"}, "Argumento de más: list");
        fila("entrada con limite", {"history", "3", "--limit", "2"},
             "--limit no vale con el número de una entrada");

        fila("ayuda", {"help"}, db + "|help|||||ayuda:");
        fila("help sync", {"help", "sync"}, db + "|help|||||ayuda:sync");
        fila("sync --help", {"sync", "--help"}, db + "|sync|||||ayuda:sync");
        fila("-v con base", {"--db", "sqlite:x.db", "-v"}, db + "||||||version:");
        fila("todo antes", {"--db", "sqlite:a.db", "--operator", "C1", "--modules", "m", "sync"},
             "sqlite:a.db|C1|sync||||m|");
        fila("todo despues", {"sync", "--yes", "--db", "sqlite:b.db", "--operator", "C2"},
             "sqlite:b.db|C2|sync|s||||");
        fila("revuelto", {"--dry-run", "--db", "sqlite:c.db", "sync", "--allow-shrink"},
             "sqlite:c.db||sync|ra||||");
        fila("init --demo", {"init", "--demo"}, db + "|init|d||||");
        fila("ruta sin esquema", {"list", "--db", "/ruta/x.db"}, "sqlite:/ruta/x.db||list|||||");
        fila("sync callado con lista", {"sync", "--quiet", "--list"}, db + "|sync|ql||||");
        fila("account a solas", {"account"}, db + "|account|||||");
        fila("account --test", {"account", "--test"}, db + "|account|t||||");
        fila("sin reintentos", {"sync", "--retries", "0"}, db + "|sync|||||");
        fila("cien reintentos", {"sync", "--retries", "100"}, db + "|sync|||||");
        fila("demasiados reintentos", {"sync", "--retries", "101"},
             "--retries espera un número entero de 0 a 100: 101");
        fila("account", {"account", "--url", "http://a/ws", "--user", "u", "--password-stdin"},
             db + "|account|p|http://a/ws|u||");

        fila("solo sistema", {"list"}, "sqlite:/s.db|S|list|||||", "db=sqlite:/s.db\noperator=S\n");
        fila("usuario sobre sistema", {"list"}, "sqlite:/u.db|S|list|||||",
             "db=sqlite:/s.db\noperator=S\n", "db=sqlite:/u.db\n");
        fila("opcion sobre ambos", {"list", "--operator", "F"}, "sqlite:/u.db|F|list|||||",
             "db=sqlite:/s.db\noperator=S\n", "db=sqlite:/u.db\noperator=U\n");
        fila("comentados no cuentan", {"list"}, db + "|list|||||",
             "# Ejemplo\n#db=sqlite:/s.db\n;operator=S\n");
        fila("valor con coma", {"list"}, "sqlite:/tiendas/a,b.db||list|||||",
             "db=sqlite:/tiendas/a,b.db\n");
        fila("vacio no borra", {"list"}, "sqlite:/s.db||list|||||", "db=sqlite:/s.db\n", "db=\n");
    }

    void opciones() {
        QFETCH(QString, sistema);
        QFETCH(QString, usuario);
        QFETCH(QStringList, argumentos);
        QFETCH(QString, esperado);
        QTemporaryDir carpeta;
        const QStringList archivos = {carpeta.filePath(QStringLiteral("sistema.conf")),
                                      carpeta.filePath(QStringLiteral("usuario.conf"))};
        for (const auto& [archivo, texto] :
             {std::pair{archivos.at(0), sistema}, std::pair{archivos.at(1), usuario}}) {
            QFile f(archivo);
            QVERIFY(texto.isEmpty() || (f.open(QIODevice::WriteOnly) && f.write(texto.toUtf8())));
        }
        QString visto;
        try {
            using Accion = kd562host::Opciones::Accion;
            const kd562host::Opciones o = kd562host::LeeOpciones(argumentos, archivos);
            QString banderas;
            for (const auto& [puesta, letra] :
                 {std::pair{o.demo, 'd'}, std::pair{o.si, 's'}, std::pair{o.simulacion, 'r'},
                  std::pair{o.permiteReduccion, 'a'}, std::pair{o.passwordStdin, 'p'},
                  std::pair{o.silencio, 'q'}, std::pair{o.conLista, 'l'}, std::pair{o.probar, 't'}})
                if (puesta)
                    banderas += QLatin1Char(letra);
            visto = QStringList({o.db, o.operador, o.comando, banderas, o.url.value_or(""),
                                 o.usuario.value_or(""), o.modulos,
                                 o.accion == Accion::Ayuda     ? "ayuda:" + o.temaAyuda
                                 : o.accion == Accion::Version ? QStringLiteral("version:")
                                                               : QString()})
                        .join(QLatin1Char('|'));
        } catch (const kd562host::ErrorDeArgumentos& e) {
            visto = e.Descripcion();
        }
        QCOMPARE(visto, esperado);
    }
};

QTEST_MAIN(TstOpciones)
#include "tst_opciones.moc"
