#include "platform/FileNames.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

namespace FileName = platform::FileName;

class TestFileNames : public QObject
{
    Q_OBJECT

private slots:
    void stored_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("text");

        QTest::newRow("utf-8 as it is")
            << QByteArray("J\xC3\xA1t\xC3\xA9k \xF0\x9F\x98\x80.exe") << "Játék \U0001F600.exe";
        QTest::newRow("percent as it is") << QByteArray("D_z%FF") << "D_z%FF";
        QTest::newRow("dot above") << QByteArray("D_z\xCB\x99") << "D_z˙";
        QTest::newRow("odd byte") << QByteArray("D_z\xFF") << "D_z/FF";
        QTest::newRow("backslash") << QByteArray("a\\b") << "a/5Cb";
        QTest::newRow("bom kept") << QByteArray("\xEF\xBB\xBFx") << QStringLiteral("\uFEFFx");
        QTest::newRow("valid beside odd")
            << QByteArray("\xC5\x91\xF5\\\xF0\x9F\x98\x80") << "ő/F5/5C\U0001F600";
        // Overlong, surrogate, past U+10FFFF, truncated.
        QTest::newRow("invalid sequences") << QByteArray("\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xC5")
                                           << "/C0/AF/ED/A0/80/F4/90/80/80/C5";
        QTest::newRow("slash in the text stands for itself only escaped")
            << QByteArray("x/y\xFF") << "x/2Fy/FF";
    }

    void stored()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QString, text);
        QCOMPARE(FileName::fromBytes(raw), text);
        QCOMPARE(FileName::toBytes(text), raw);
    }

    void randomBytesRoundTripAndStayDistinct()
    {
        QRandomGenerator rng(20261207);
        QSet<QByteArray> raws;
        QSet<QString> texts;
        // Bytes a name can hold, weighted towards the troublesome ones.
        const QByteArray pool(
            "\\/%FfAa\x80\xBF\xC3\xA1\xC5\x91\xCB\x99\xE2\x82\xAC\xED\xA0\xF0\x9F\xFF"
            " .");
        for (int i = 0; i < 20000; ++i) {
            QByteArray raw;
            const int length = rng.bounded(1, 9);
            for (int k = 0; k < length; ++k)
                raw += rng.bounded(4) ? pool.at(rng.bounded(int(pool.size())))
                                      : char(rng.bounded(1, 256));
            const QString text = FileName::fromBytes(raw);
            QCOMPARE(FileName::toBytes(text), raw);
            QVERIFY2(!text.contains(u'\\'), raw.toHex().constData());
            if (FileName::isPlain(raw))
                QCOMPARE(text, QString::fromUtf8(raw));
            raws.insert(raw);
            texts.insert(text);
        }
        QCOMPARE(texts.size(), raws.size());
    }
};

QTEST_GUILESS_MAIN(TestFileNames)
#include "test_filenames.moc"
