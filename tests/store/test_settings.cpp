#include "TestSupport.h"
#include "store/Settings.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using store::Settings;

namespace {

const QString kProgramFolder = "/opt/polcozo";

Settings sample()
{
    Settings s = store::defaultSettings(kProgramFolder);
    s.autoCompact = 0;
    s.contextRefresh = -1;
    s.windowState = Settings::kWindowMaximized;
    s.lastCatalog = "/home/pál/Katalógus.mdb";
    s.namePatterns[0] = "*.mp3";
    s.namePatterns[9] = "ő*";
    s.pathPatterns[0] = "/zene/*";
    s.pathPatterns[9] = "x";
    return s;
}

QByteArray field(const char* utf8, int width)
{
    QByteArray f(utf8);
    return f + QByteArray(width - f.size(), ' ');
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void recordLayout()
    {
        const QByteArray r = store::encodeSettings(sample());
        const QByteArray path("/home/p\xc3\xa1l/Katal\xc3\xb3gus.mdb");
        const int L = int(path.size());
        QCOMPARE(L, 25);

        QCOMPARE(r.size(), 1800);
        QCOMPARE(r.left(7), QByteArray("\x00\x00\xff\xff\x02\x19\x00", 7));
        QCOMPARE(r.mid(7, L), path);
        QCOMPARE(r.mid(7 + L, 50), field("*.mp3", 50));
        QCOMPARE(r.mid(7 + L + 50, 50), field("", 50));
        QCOMPARE(r.mid(7 + L + 450, 50), field("\xc5\x91*", 50));
        QCOMPARE(r.mid(507 + L, 100), field("/zene/*", 100));
        QCOMPARE(r.mid(507 + L + 900, 100), field("x", 100));
        QCOMPARE(r.mid(1507 + L), QByteArray(1800 - 1507 - L, '\0'));
    }

    // 293 bytes of path fit the record exactly; one more cannot be kept and is
    // written empty, so the next start falls back while the histories survive.
    void pathLimit()
    {
        const Settings defaults = store::defaultSettings(kProgramFolder);
        Settings s = sample();
        s.lastCatalog = u'/' + QString(146, u'é'); // 293 bytes
        s.pathPatterns[9] = QString(100, u'z');
        QByteArray r = store::encodeSettings(s);
        QCOMPARE(r.size(), 1800);
        QCOMPARE(r.mid(5, 2), QByteArray("\x25\x01")); // little-endian 293
        QCOMPARE(r.right(100), QByteArray(100, 'z'));  // the last field ends exactly at 1800
        QCOMPARE(store::decodeSettings(r, defaults), s);

        s.lastCatalog += u'a';
        r = store::encodeSettings(s);
        QCOMPARE(r.size(), 1800);
        QCOMPARE(r.mid(5, 2), QByteArray("\x00\x00", 2));
        QCOMPARE(r.mid(1507), QByteArray(293, '\0'));
        Settings expected = s;
        expected.lastCatalog = defaults.lastCatalog;
        QCOMPARE(store::decodeSettings(r, defaults), expected);
    }

    // A text too long for its field is cut before the character that would not fit whole.
    void textsCutOnCharacterBoundary()
    {
        Settings s = store::defaultSettings(kProgramFolder);
        s.lastCatalog.clear();
        const QString pair = "𝔸";
        s.namePatterns[0] = u'a' + QString(30, u'é');
        s.pathPatterns[0] = u'a' + pair.repeated(30);
        const QByteArray r = store::encodeSettings(s);
        const Settings back = store::decodeSettings(r, s);
        QCOMPARE(back.namePatterns[0], u'a' + QString(24, u'é'));
        QCOMPARE(r.mid(7, 50), back.namePatterns[0].toUtf8() + ' ');
        QCOMPARE(back.pathPatterns[0], u'a' + pair.repeated(24));
        QCOMPARE(r.mid(507, 100), back.pathPatterns[0].toUtf8() + "   ");
    }

    // The bytes of a field are its text: a leading U+FEFF stays, a sequence
    // cut by the end of the field (a file some other writer made) is U+FFFD.
    void textsKeepTheirBytes()
    {
        const Settings d = store::defaultSettings(kProgramFolder);
        Settings s = d;
        s.lastCatalog = QStringLiteral("\uFEFF/home/a/b.mdb");
        s.namePatterns[0] = QStringLiteral("\uFEFF*.exe");
        s.pathPatterns[9] = QStringLiteral("\uFEFF");
        QCOMPARE(store::decodeSettings(store::encodeSettings(s), d), s);

        QByteArray r = store::encodeSettings(d);
        const QByteArray path = d.lastCatalog.toUtf8();
        const int names = 7 + int(path.size());
        r.replace(names, 3, "a\xC3\xA9");           // whole
        r.replace(names + 50 - 2, 2, "b\xC3");        // cut at the field's end
        r.replace(names + 100 - 3, 3, "\xE2\x82\x20"); // cut, then padding
        r.replace(names + 500 + 99, 1, "\xF0");       // a lead byte alone
        r.replace(names + 1499, 1, "\xC3");           // the last field's last byte
        const Settings back = store::decodeSettings(r, d);
        QCOMPARE(back.namePatterns[0], QStringLiteral("a\u00E9") + QString(45, u' ') +
                                           QStringLiteral("b\uFFFD"));
        QCOMPARE(back.namePatterns[1].right(1), QStringLiteral("\uFFFD"));
        QCOMPARE(back.pathPatterns[0], QString(99, u' ') + QStringLiteral("\uFFFD"));
        QCOMPARE(back.pathPatterns[9], QString(99, u' ') + QStringLiteral("\uFFFD"));
    }

    // Whatever cannot be read takes its default; the rest is read as far as it goes.
    void decodeShortOrOddRecords()
    {
        Settings d = store::defaultSettings(kProgramFolder);
        d.namePatterns[3] = "default";
        const auto decode = [&d](const QByteArray& r) { return store::decodeSettings(r, d); };
        const QByteArray full = store::encodeSettings(sample());
        QCOMPARE(decode({}), d);
        // Values no program wrote (1, 5, a minimised state) and a path too long to be real.
        QCOMPARE(decode(QByteArray("\x01\x00\x05\x00\x01\x26\x01", 7) + full.mid(7)), d);
        const Settings flags = decode(QByteArray("\0\0\0\0\2", 5));
        QVERIFY(flags.autoCompact == 0 && flags.contextRefresh == 0 &&
                flags.windowState == Settings::kWindowMaximized);

        // Cut after two name texts: those are read, the ones wholly beyond take defaults.
        const Settings cut = decode(full.left(7 + 25 + 100));
        QCOMPARE(cut.lastCatalog, sample().lastCatalog);
        QCOMPARE(cut.namePatterns[0], "*.mp3");
        QCOMPARE(cut.namePatterns[3], "default");
        QCOMPARE(cut.pathPatterns[0], QString());
        // One byte short of the path: the path is unreadable; a text cut part-way is read so far.
        QCOMPARE(decode(full.left(7 + 25 - 1)).lastCatalog, d.lastCatalog);
        QCOMPARE(decode(full.left(7 + 25 + 3)).namePatterns[0], "*.m");
    }

    void decodeGarbageNeverCrashes()
    {
        const Settings defaults = store::defaultSettings(kProgramFolder);
        QRandomGenerator rng(1800);
        for (int i = 0; i < 500; ++i) {
            QByteArray junk(rng.bounded(2500), Qt::Uninitialized);
            for (char& c : junk)
                c = char(rng.bounded(256));
            if (i % 2 && junk.size() > 7) { // a plausible length, so the texts get read too
                junk[5] = char(rng.bounded(256));
                junk[6] = char(rng.bounded(2));
            }
            const Settings s = store::decodeSettings(junk, defaults);
            QVERIFY(s.autoCompact == -1 || s.autoCompact == 0);
            QVERIFY(s.contextRefresh == -1 || s.contextRefresh == 0);
            QVERIFY(s.windowState == 0 || s.windowState == 2);
        }
    }

    // The builder's two options live after the record, where an older copy,
    // reading 1800 bytes, never looks; with both off nothing is appended.
    void optionsAfterTheRecord()
    {
        const Settings defaults = store::defaultSettings(kProgramFolder);
        const QByteArray plain = store::encodeSettings(sample());
        QCOMPARE(plain.size(), 1800);
        const Settings plainBack = store::decodeSettings(plain, defaults);
        QVERIFY(!plainBack.updateMedium && !plainBack.crcScan && !plainBack.archiveScan);

        struct Flags
        {
            bool update, crc, archives;
        };
        for (const auto& [update, crc, archives] :
             {Flags{true, false, false}, {false, true, false}, {true, true, false},
              {false, false, true}, {true, true, true}}) {
            Settings s = sample();
            s.updateMedium = update;
            s.crcScan = crc;
            s.archiveScan = archives;
            const QByteArray r = store::encodeSettings(s);
            QVERIFY(r.size() > 1800);
            QCOMPARE(r.left(1800), plain); // no field moves
            QCOMPARE(store::decodeSettings(r, defaults), s);
            // What an older copy reads, and what it writes back.
            QCOMPARE(store::decodeSettings(r.left(1800), defaults), sample());
            // A damaged or foreign tail is ignored.
            QByteArray odd = r;
            odd[1800] = 'x';
            QCOMPARE(store::decodeSettings(odd, defaults), sample());
            QCOMPARE(store::decodeSettings(r.left(r.size() - 1), defaults), sample());
        }
        // The file keeps the options from one run to the next.
        QTemporaryDir tmp;
        const QString file = tmp.filePath("Polcozo.ini");
        Settings s = sample();
        s.crcScan = true;
        s.archiveScan = true;
        QVERIFY(store::writeSettings(file, s));
        QCOMPARE(store::readSettings(file, kProgramFolder), s);
    }

    void readAndWriteTheFile()
    {
        QTemporaryDir tmp;
        const QString file = tmp.filePath("cfg/polcozo/Polcozo.ini");
        const Settings got = store::readSettings(file, kProgramFolder);
        QCOMPARE(got, store::defaultSettings(kProgramFolder));
        QCOMPARE(TestSupport::contents(file), store::encodeSettings(got)); // made on first read
        QVERIFY(store::writeSettings(file, sample()));
        QCOMPARE(store::readSettings(file, kProgramFolder), sample());
        // A plain file where a folder should be defeats even a privileged user.
        QVERIFY(!store::writeSettings(file + "/polcozo/Polcozo.ini", sample()));
    }
};

QTEST_APPLESS_MAIN(TestSettings)
#include "test_settings.moc"
