// Runs every kept fuzz input through its target's check, in every ordinary build.
#include "PruebaDialecto.h"
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
    QTest::addColumn<bool>("dialecto");
    const QList<std::pair<QString, bool>> carpetas = {
        {QStringLiteral(KD562_CORPUS), false}, {QStringLiteral(KD562_CORPUS_DIALECTO), true}};
    for (const auto& [carpeta, dialecto] : carpetas) {
        const QDir corpus(carpeta);
        const QStringList nombres = corpus.entryList(QDir::Files, QDir::Name);
        QVERIFY2(nombres.size() >= 5, qPrintable(carpeta));
        for (const QString& nombre : nombres)
            QTest::addRow("%s/%s", qPrintable(corpus.dirName()), qPrintable(nombre))
                << corpus.filePath(nombre) << dialecto;
    }
}

void TstCorpus::entradas() {
    QFETCH(QString, ruta);
    QFETCH(bool, dialecto);
    QFile archivo(ruta);
    QVERIFY(archivo.open(QIODevice::ReadOnly));
    const QByteArray datos = archivo.readAll();
    const auto* bytes = reinterpret_cast<const uint8_t*>(datos.constData());
    if (dialecto)
        PruebaDialecto(bytes, static_cast<size_t>(datos.size()));
    else
        PruebaRespuesta(bytes, static_cast<size_t>(datos.size()));
}

QTEST_MAIN(TstCorpus)
#include "tst_corpus.moc"
