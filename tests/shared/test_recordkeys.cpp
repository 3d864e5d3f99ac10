#include "TestSupport.h"
#include "platform/ErrorNumbers.h"
#include "shared/Module1.h"
#include "shared/Subject.h"
#include "store/Database.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using store::Database;
namespace err = platform::err;
using namespace TestSupport;

namespace {

const QString kLong = QString(1000, QChar(u'ő'));

// Two folders, three files, each linked to its default keyword as the
// builder links them; a few more keywords in each list.
QString catalog(const QTemporaryDir& dir)
{
    static int serial = 0;
    const QString path = freshCatalog(dir.filePath(QStringLiteral("k%1.mdb").arg(++serial)));
    Database db = Database::open(path);
    db.execScript(QStringLiteral(
        "INSERT INTO ut (ut) VALUES ('-CD_1- E:\\'), ('-CD_1- E:\\GAMES');"
        "INSERT INTO prgnev (nev, utid) VALUES ('a.exe', 1), ('b.exe', 2), ('c.exe', 2);"
        "INSERT INTO nev_kulcsid SELECT id, 1 FROM prgnev;"
        "INSERT INTO ut_kulcsid SELECT id, 1 FROM ut;"
        "INSERT INTO kulcs (kulcs) VALUES ('DOS'), ('dos'), ('Don''t');"
        "INSERT INTO kulcsut (nev) VALUES ('Játék'), ('Don''t');"));
    db.exec("INSERT INTO kulcs (kulcs) VALUES (?1)", {kLong});
    return path;
}

QList<qint64> links(const Database& db, const Subject& s, qint64 id)
{
    auto st = db.prepare(
        QStringLiteral("SELECT kulcsid FROM %1 WHERE id = ?1 ORDER BY kulcsid").arg(s.linkTable));
    st.bindInt64(1, id);
    QList<qint64> ids;
    while (st.step())
        ids << st.value(0).toLongLong();
    return ids;
}

} // namespace

class TestRecordKeys : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void storeReplacesLinks_data()
    {
        QTest::addColumn<bool>("files");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QList<qint64>>("expected");
        const QString def = "Általános";
        QTest::newRow("files, nothing selected") << true << QStringList{} << QList<qint64>{1};
        QTest::newRow("files, default deselected, 1000 characters")
            << true << QStringList{"dos", "Don't", kLong} << QList<qint64>{1, 3, 4, 5};
        QTest::newRow("files, default selected: one link")
            << true << QStringList{def, "DOS"} << QList<qint64>{1, 2};
        QTest::newRow("folders, apostrophe and default")
            << false << QStringList{"Don't", def} << QList<qint64>{1, 3};
    }

    void storeReplacesLinks()
    {
        QFETCH(bool, files);
        QFETCH(QStringList, selected);
        QFETCH(QList<qint64>, expected);
        const Subject& s = Subject::of(files);
        Database db = Database::open(catalog(m_dir));
        const QStringList items = keywordTexts(db, s);

        // Twice in a row with the same selection: the same links, no doubles.
        for (int round = 0; round < 2; ++round) {
            Module1::kulcstarol(db, s, 2, selected);
            QCOMPARE(links(db, s, 2), expected);
        }
        // Neither the neighbour nor the other subject's record of that id is touched.
        QCOMPARE(links(db, s, 1), QList<qint64>{1});
        QCOMPARE(Module1::kulcsmutat(db, Subject::of(!files), 2), QStringList{"Általános"});
        QCOMPARE(Module1::kulcsmutat(db, s, 99), QStringList{});

        // What is shown again selects exactly the stored keywords' items.
        QList<int> stored;
        for (qint64 k : expected)
            stored << int(k - 1); // item i is the keyword of id i + 1 here
        QCOMPARE(Module1::keywordItems(items, Module1::kulcsmutat(db, s, 2)), stored);
    }

    // Case counts; each item once, ascending; the first of equal items.
    void itemMatchingIsExact()
    {
        const QStringList items{"Általános", "DOS", "Játék", "játék"};
        QCOMPARE(Module1::keywordItems(items, {"játék", "dos"}), QList<int>{3});
        QCOMPARE(Module1::keywordItems(items, {"Játék", "Általános", "Játék"}), (QList<int>{0, 2}));
        QCOMPARE(Module1::keywordItems({"a", "b", "a"}, {"a"}), QList<int>{0});
    }

    void failedStoreKeepsOldLinks()
    {
        const QString path = catalog(m_dir);
        Database db = Database::open(path);
        const Subject& s = Subject::filesSubject();
        Module1::kulcstarol(db, s, 3, {"DOS", "dos"});

        // The catalog refuses the last link, after the old ones were deleted.
        db.execScript(QStringLiteral(
            "CREATE TEMP TRIGGER refuse BEFORE INSERT ON nev_kulcsid WHEN NEW.kulcsid = 4 "
            "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        QVERIFY(errorOf([&] { Module1::kulcstarol(db, s, 3, {"dos", "Don't"}); }) != 0);
        QCOMPARE(links(db, s, 3), (QList<qint64>{1, 2, 3}));
        QVERIFY(!db.inTransaction());
        db.execScript("DROP TRIGGER refuse");

        // A keyword gone from the list since it was read.
        QCOMPARE(errorOf([&] { Module1::kulcstarol(db, s, 3, {"nincs"}); }), err::ItemNotFound);
        QCOMPARE(links(db, s, 3), (QList<qint64>{1, 2, 3}));

        // A record that is gone gets no links.
        QCOMPARE(errorOf([&] { Module1::kulcstarol(db, s, 99, {}); }), err::NoCurrentRecord);
        QCOMPARE(links(db, s, 99), QList<qint64>{});
    }
};

QTEST_GUILESS_MAIN(TestRecordKeys)
#include "test_recordkeys.moc"
