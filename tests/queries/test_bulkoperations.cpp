#include "LiteralStatements.h"
#include "QueriesFixture.h"
#include "queries/BulkOperations.h"
#include "shared/Subject.h"

#include <sqlite3.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

using namespace QueriesFixture;
using queries::Condition;

namespace {

struct Stop : std::runtime_error
{
    Stop() : std::runtime_error("stopped") {}
};

enum Op
{
    FileKeys,
    FolderKeys,
    Deletion
};

void run(store::Database& db, int op, const Condition& c, bool literally,
         const queries::Progress& progress = {})
{
    if (op == FileKeys)
        literally ? literal::assignFileKeywords(db, c)
                  : void(queries::assignFileKeywords(db, c, progress));
    else if (op == FolderKeys)
        literally ? literal::assignFolderKeywords(db, c)
                  : void(queries::assignFolderKeywords(db, c, progress));
    else
        literally ? literal::deleteFiles(db, c.namePattern, c.pathPattern)
                  : void(queries::deleteFiles(db, c.namePattern, c.pathPattern, progress));
}

} // namespace

class TestBulkOperations : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_serial = 0;

    QString mixed(Schema schema = Schema::Template)
    {
        const QString path = makeCatalog(m_dir, u"bulk%1.mdb"_qs.arg(++m_serial), schema);
        fillMixed(path, schema);
        return path;
    }

private Q_SLOTS:
    // Each command changes the catalog exactly as its statements as they
    // were always written do.
    void asLiteral_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<int>("schema");
        const int t = int(Schema::Template), old = int(Schema::OldIndexes);
        // clang-format off
        QTest::newRow("files: default only")   << +FileKeys << u"*"_qs     << u"*"_qs        << QStringList{kDefault}           << t;
        QTest::newRow("files: two keywords")   << +FileKeys << u"doom*"_qs << u"-CD_1- *"_qs << QStringList{kJatek, kRock}      << t;
        QTest::newRow("files: empty name")     << +FileKeys << u""_qs      << u"*"_qs        << QStringList{kJatek}             << t;
        QTest::newRow("files: repeated links") << +FileKeys << u"*"_qs     << u"*"_qs        << QStringList{kJatek, kZene}      << old;
        QTest::newRow("folders: two keywords") << +FolderKeys << u"*"_qs   << u"*GAMES*"_qs  << QStringList{kCdRom, kGyerek}    << t;
        QTest::newRow("folders: default only") << +FolderKeys << u"*"_qs   << u"*'*"_qs      << QStringList{kDefault}           << t;
        // Üres has no link and gets none; Nincs loses its only link.
        QTest::newRow("folders: without links") << +FolderKeys << u"*"_qs  << u"-CD_2- *"_qs << QStringList{kRegi}              << t;
        // Árva holds no file: it keeps its links and gains the selected one.
        QTest::newRow("folders: without files") << +FolderKeys << u"*"_qs  << u"-CD_3- *"_qs << QStringList{kRegi}              << t;
        QTest::newRow("folders: older indexes") << +FolderKeys << u"*"_qs  << u"*"_qs        << QStringList{kGyerek, kRegi}     << old;
        QTest::newRow("delete: one folder")    << +Deletion << u"*"_qs     << u"-CD_1- E:\\GAMES"_qs << QStringList{} << t;
        QTest::newRow("delete: both patterns") << +Deletion << u"*.txt"_qs << u"*games*"_qs          << QStringList{} << t;
        QTest::newRow("delete: equal paths")   << +Deletion << u"*"_qs     << u"-CD_1- E:\\GAMES"_qs << QStringList{} << int(Schema::EqualPaths);
        // clang-format on
    }
    void asLiteral()
    {
        QFETCH(int, op);
        QFETCH(QString, name);
        QFETCH(QString, path);
        QFETCH(QStringList, selected);
        QFETCH(int, schema);
        const QString ours = mixed(Schema(schema)), theirs = ours + u".copy"_qs;
        QVERIFY(QFile::copy(ours, theirs));
        const Condition c{name, path, choice(op == FolderKeys ? kFolderKeys : kFileKeys, selected)};
        store::Database a = store::Database::open(ours), b = store::Database::open(theirs);
        run(a, op, c, false);
        run(b, op, c, true);
        QCOMPARE(contents(ours), contents(theirs));
    }

    void progressSteps()
    {
        store::Database db = store::Database::open(mixed());
        // Keyword steps share 80 among the list's entries: 5 of files, 3 of folders.
        for (const auto& [op, c, steps] :
             {std::tuple{+FileKeys, Condition{u"*"_qs, u"*"_qs, choice(kFileKeys, {kJatek})},
                         QList<int>{26, 42, 58, 74}},
              {+FolderKeys, Condition{u"*"_qs, u"*"_qs, choice(kFolderKeys.mid(0, 3), {kCdRom})},
               QList<int>{37, 63}},
              {+Deletion, Condition{u"doom*"_qs, u"*"_qs, {}}, QList<int>{30, 50, 70}}}) {
            QList<int> seen;
            run(db, op, c, false, [&seen](int v) { seen << v; });
            QCOMPARE(seen, steps);
        }
        QCOMPARE(queries::keywordStepProgress(1, 32), 12); // 12.5 rounds to even
    }

    // A command stopped half-way, by a failure or by a keyword gone from
    // its list, leaves nothing of itself; the connection can go on.
    void failureLeavesTheCatalogAsItWas()
    {
        const QString cat = mixed();
        const Rows before = contents(cat);
        store::Database db = store::Database::open(cat);
        for (const int op : {FileKeys, FolderKeys, Deletion}) {
            const Condition c{u"*"_qs, u"*"_qs,
                              op == FolderKeys ? choice(kFolderKeys, {kGyerek})
                                               : choice(kFileKeys, {kJatek, kZene})};
            int calls = 0;
            QVERIFY_THROWS_EXCEPTION(Stop, run(db, op, c, false, [&calls](int) {
                                         if (++calls == 2)
                                             throw Stop();
                                     }));
        }
        const Condition gone{u"*"_qs, u"*"_qs,
                             choice(kFileKeys + QStringList{u"Nincs ilyen"_qs}, {kJatek})};
        QVERIFY_THROWS_EXCEPTION(platform::Error, queries::assignFileKeywords(db, gone));
        QVERIFY(!db.inTransaction());
        QCOMPARE(contents(cat), before);

        // Deleting everything keeps the keyword lists.
        QCOMPARE(queries::deleteFiles(db, u"*"_qs, u"*"_qs), 17);
        QCOMPARE(
            db.scalar(u"SELECT (SELECT count(*) FROM prgnev) || (SELECT count(*) FROM ut) || "
                      "(SELECT count(*) FROM nev_kulcsid) || (SELECT count(*) FROM ut_kulcsid) "
                      "|| (SELECT count(*) FROM kulcs) || (SELECT count(*) FROM kulcsut)"_qs)
                .toString(),
            u"000054"_qs);
    }

    // The program dying in the middle of a deletion, after part of it has
    // reached the file: the next opening finds the catalog as it was.
    void crashInTheMiddleOfADeletion()
    {
        const QString cat = mixed(), journal = cat + u"-journal"_qs;
        const Rows before = contents(cat);
        const QByteArray bytes = TestSupport::contents(cat);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            store::Database db = store::Database::open(cat);
            queries::deleteFiles(db, u"*"_qs, u"*"_qs, [&db](int value) {
                if (value == 70) {
                    sqlite3_db_cacheflush(db.handle());
                    ::_exit(0);
                }
            });
            ::_exit(1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QVERIFY(QFileInfo(journal).size() > 0);
        QVERIFY(TestSupport::contents(cat) != bytes); // half a deletion stands in the file
        QCOMPARE(contents(cat), before);
        QVERIFY(!QFileInfo::exists(journal) || QFileInfo(journal).size() == 0);
    }
};

QTEST_GUILESS_MAIN(TestBulkOperations)
#include "test_bulkoperations.moc"
