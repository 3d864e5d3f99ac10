#include "TestSupport.h"
#include "mainwin/ViewScans.h"
#include "store/DataSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

class TestViewScans : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_catalog;
    store::DataSource m_view;

    void show(const QString& sql)
    {
        m_view.setRecordSource(sql);
        m_view.refresh();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary));
        m_catalog = m_dir.filePath(QStringLiteral("k.mdb"));
        QVERIFY(QFile::copy(TestSupport::templateFile(), m_catalog));
        QFile::setPermissions(m_catalog, QFile::ReadOwner | QFile::WriteOwner);
        auto db = store::Database::open(m_catalog);
        db.exec(QStringLiteral("INSERT INTO ut (ut) VALUES ('-CD_1- E:\\GAMES')"));
        const char* names[] = {"alma.exe", "Banan.txt", "ALMA2.EXE", "citrom", "Árvíz.doc"};
        for (int i = 0; i < 5; ++i)
            db.exec(QStringLiteral("INSERT INTO prgnev (nev, utid, hossz, datum) VALUES (?1, 1, "
                                   "?2, '2024-03-05 00:00:00')"),
                    {QString::fromUtf8(names[i]), 1000 * (i + 1)});
        m_view.setDatabaseName(m_catalog);
    }

    void listingByteForByte()
    {
        show(QStringLiteral("SELECT * FROM alapfile WHERE hossz <= 2000"));
        const QString out = m_dir.filePath(QStringLiteral("lista.txt"));
        TestSupport::writeFile(out, "old contents");
        ViewScans::writeListing(m_view, out, QStringLiteral("/k/k.mdb"),
                                QStringLiteral(" 2 DB rekord "));
        QCOMPARE(TestSupport::contents(out),
                 QByteArray("/k/k.mdb\r\n 2 DB rekord "
                            "\r\nN\xC3\xA9v:\t\xC3\x9At:\tHossz:\tD\xC3\xA1tum:\r\n\r\n"
                            "alma.exe\t-CD_1- E:\\GAMES\t1000\t2024. 03. 05.\t\r\n"
                            "Banan.txt\t-CD_1- E:\\GAMES\t2000\t2024. 03. 05.\t\r\n"));

        // A folders-only view, as the compound search makes it.
        show(QStringLiteral("SELECT '*' AS nev, ut.ut AS ut, '----' AS hossz, '----' AS crc, "
                            "'----' AS datum FROM ut"));
        ViewScans::writeListing(m_view, out, QStringLiteral("k"), QStringLiteral(" 1 DB rekord "));
        QVERIFY(
            TestSupport::contents(out).endsWith("\r\n\r\n*\t-CD_1- E:\\GAMES\t----\t----\t\r\n"));

        // Through a link to the file it names, keeping that file's mode.
        QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner);
        const QString link = m_dir.filePath(QStringLiteral("link.txt"));
        QVERIFY(QFile::link(out, link));
        ViewScans::writeListing(m_view, link, QStringLiteral("k"), QStringLiteral(" 1 DB rekord "));
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(TestSupport::contents(out).startsWith("k\r\n"));
        QCOMPARE(QFile::permissions(out),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);

        // A folder that cannot be written: the error's number, and nothing left behind.
        const int n = TestSupport::errorOf([&] {
            ViewScans::writeListing(m_view, m_dir.filePath(QStringLiteral("nincs/lista.txt")),
                                    QString(), QString());
        });
        QCOMPARE(n, platform::err::FileNotFound);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).size(), 3); // k.mdb, lista.txt, link.txt
    }

    // Fields that would break a row are quoted, quotes doubled; plain ones
    // are not, so the file stays readable as text.
    void csvQuotesOnlyWhatNeedsIt()
    {
        m_view.setRecordSource(
            QStringLiteral("SELECT ?1 AS nev, '-CD_1- E:\\A,B' AS ut, 12 AS hossz, NULL AS crc, "
                           "'2024-03-05 10:20:30' AS datum UNION ALL SELECT 'Árvíz.doc', "
                           "'-CD_1- E:\\\"Q\"', 7, NULL, '2024-03-05 00:00:00'"),
            {QStringLiteral("két\r\nsor.txt")});
        m_view.refresh();
        const QString out = m_dir.filePath(QStringLiteral("lista.csv"));
        ViewScans::writeCsv(m_view, out);
        QCOMPARE(
            TestSupport::contents(out),
            QByteArray("\xEF\xBB\xBFN\xC3\xA9v,\xC3\x9At,Hossz,D\xC3\xA1tum\r\n"
                       "\"k\xC3\xA9t\r\nsor.txt\",\"-CD_1- E:\\A,B\",12,2024. 03. 05. 10:20:30\r\n"
                       "\xC3\x81rv\xC3\xADz.doc,\"-CD_1- E:\\\"\"Q\"\"\",7,2024. 03. 05.\r\n"));

        // A folders-only view gives its folder rows; a failure leaves nothing behind.
        show(QStringLiteral("SELECT '*' AS nev, ut.ut AS ut, '----' AS hossz, '----' AS crc, "
                            "'----' AS datum FROM ut"));
        ViewScans::writeCsv(m_view, out);
        QVERIFY(TestSupport::contents(out).endsWith("\r\n*,-CD_1- E:\\GAMES,----,----\r\n"));
        QCOMPARE(TestSupport::errorOf([&] {
                     ViewScans::writeCsv(m_view, m_dir.filePath(QStringLiteral("nincs/l.csv")));
                 }),
                 platform::err::FileNotFound);
    }

    void typeAheadWrapsAndIgnoresCase()
    {
        show(QStringLiteral("SELECT * FROM alapfile ORDER BY id"));
        QCOMPARE(ViewScans::typeAhead(m_view, 0, QLatin1Char('a')), 2); // ALMA2.EXE
        QCOMPARE(ViewScans::typeAhead(m_view, 2, QLatin1Char('A')), 0); // wraps to alma.exe
        QCOMPARE(ViewScans::typeAhead(m_view, 4, QLatin1Char('b')), 1); // from the last row
        QCOMPARE(ViewScans::typeAhead(m_view, 1, QLatin1Char('b')), 1); // only itself
        QCOMPARE(ViewScans::typeAhead(m_view, 0, QLatin1Char('z')), -1);
    }

    void totals()
    {
        show(QStringLiteral("SELECT * FROM alapfile ORDER BY id"));
        QCOMPARE(ViewScans::lengthTotal(m_view, {4, 0, 2}), qint64(9000));
        QCOMPARE(ViewScans::lengthTotal(m_view, {}), qint64(0));
        show(QStringLiteral("SELECT nev, ut, CASE WHEN id = 2 THEN '----' ELSE hossz END FROM "
                            "alapfile ORDER BY id"));
        QCOMPARE(ViewScans::lengthTotal(m_view, {0, 1}), qint64(1000)); // a folder row counts 0
    }
};

QTEST_GUILESS_MAIN(TestViewScans)
#include "test_viewscans.moc"
