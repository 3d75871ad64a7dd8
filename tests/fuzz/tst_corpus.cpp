// Runs every kept fuzz input through the same check, in every ordinary build.
#include "PruebaRespuesta.h"

#include <QDir>
#include <QtTest>

class TstCorpus : public QObject {
    Q_OBJECT

private slots:
    void entradas_data();
    void entradas();
};

void TstCorpus::entradas_data() {
    QTest::addColumn<QString>("ruta");
    const QDir corpus(QStringLiteral(KD562_CORPUS));
    const QStringList nombres = corpus.entryList(QDir::Files, QDir::Name);
    QVERIFY(nombres.size() >= 5);
    for (const QString& nombre : nombres)
        QTest::newRow(qPrintable(nombre)) << corpus.filePath(nombre);
}

void TstCorpus::entradas() {
    QFETCH(QString, ruta);
    QFile archivo(ruta);
    QVERIFY(archivo.open(QIODevice::ReadOnly));
    const QByteArray datos = archivo.readAll();
    PruebaRespuesta(reinterpret_cast<const uint8_t*>(datos.constData()),
                    static_cast<size_t>(datos.size()));
}

QTEST_MAIN(TstCorpus)
#include "tst_corpus.moc"
