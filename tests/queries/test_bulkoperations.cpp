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

const QString kDefault = QStringLiteral("Általános");
const QStringList kFileKeys{kDefault, kJatek, kRock, kJatekLower, kZene};
const QStringList kFolderKeys{kDefault, kCdRom, kGyerek, kRegi};

struct Stop : std::runtime_error
{
    Stop() : std::runtime_error("stopped") {}
};

} // namespace

class TestBulkOperations : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_serial = 0;

    QString mixed(Schema schema = Schema::Template)
    {
        const QString path =
            makeCatalog(m_dir, QStringLiteral("bulk%1.mdb").arg(++m_serial), schema);
        fillMixed(path, schema);
        return path;
    }

    QString copyOf(const QString& path)
    {
        const QString copy = path + QStringLiteral(".copy");
        QFile::remove(copy);
        QFile::copy(path, copy);
        return copy;
    }

    static void conditions()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<int>("schema");
    }

private Q_SLOTS:
    void fileKeywordsAsLiteral_data()
    {
        conditions();
        const int t = int(Schema::Template), old = int(Schema::OldIndexes);
        // clang-format off
        QTest::newRow("default only")    << u"*"_qs     << u"*"_qs        << QStringList{kDefault}            << t;
        QTest::newRow("one keyword")     << u"*e*"_qs   << u"*"_qs        << QStringList{kJatek}              << t;
        QTest::newRow("two keywords")    << u"doom*"_qs << u"-CD_1- *"_qs << QStringList{kJatek, kRock}       << t;
        QTest::newRow("apostrophes")     << u"*'*"_qs   << u"*'*"_qs      << QStringList{kRock, kJatekLower}  << t;
        QTest::newRow("empty name")      << u""_qs      << u"*"_qs        << QStringList{kJatek}              << t;
        QTest::newRow("repeated links")  << u"*"_qs     << u"*"_qs        << QStringList{kJatek, kZene}       << old;
        // clang-format on
    }
    void fileKeywordsAsLiteral()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QFETCH(QStringList, selected);
        QFETCH(int, schema);
        const QString ours = mixed(Schema(schema));
        const QString theirs = copyOf(ours);
        const Condition c{name, path, choice(kFileKeys, selected)};
        {
            store::Database db = store::Database::open(ours);
            queries::assignFileKeywords(db, c);
        }
        {
            store::Database db = store::Database::open(theirs);
            literal::assignFileKeywords(db, c);
        }
        QCOMPARE(contents(ours), contents(theirs));
    }

    void folderKeywordsAsLiteral_data()
    {
        conditions();
        const int t = int(Schema::Template);
        // clang-format off
        QTest::newRow("one keyword")     << u"*"_qs     << u"*"_qs        << QStringList{kCdRom}          << t;
        QTest::newRow("two keywords")    << u"*"_qs     << u"*GAMES*"_qs  << QStringList{kCdRom, kGyerek} << t;
        QTest::newRow("default only")    << u"*"_qs     << u"*'*"_qs      << QStringList{kDefault}        << t;
        // Üres has no link and gets none; Nincs loses its only link.
        QTest::newRow("without links")   << u"*"_qs     << u"-CD_2- *"_qs << QStringList{kRegi}           << t;
        // Árva holds no file: it keeps its links and gains the selected one.
        QTest::newRow("without files")   << u"*"_qs     << u"-CD_3- *"_qs << QStringList{kRegi}           << t;
        QTest::newRow("name pattern")    << u"doom*"_qs << u"*"_qs        << QStringList{kGyerek, kRegi}  << t;
        QTest::newRow("older indexes")   << u"*"_qs     << u"*"_qs        << QStringList{kGyerek, kRegi}  << int(Schema::OldIndexes);
        // clang-format on
    }
    void folderKeywordsAsLiteral()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QFETCH(QStringList, selected);
        QFETCH(int, schema);
        const QString ours = mixed(Schema(schema));
        const QString theirs = copyOf(ours);
        const Condition c{name, path, choice(kFolderKeys, selected)};
        {
            store::Database db = store::Database::open(ours);
            queries::assignFolderKeywords(db, c);
        }
        {
            store::Database db = store::Database::open(theirs);
            literal::assignFolderKeywords(db, c);
        }
        QCOMPARE(contents(ours), contents(theirs));
    }

    void deletionAsLiteral_data()
    {
        conditions();
        const int t = int(Schema::Template);
        // clang-format off
        QTest::newRow("everything")      << u"*"_qs     << u"*"_qs                << QStringList{} << t;
        QTest::newRow("by name")         << u"doom*"_qs << u"*"_qs                << QStringList{} << t;
        QTest::newRow("one folder")      << u"*"_qs     << u"-CD_1- E:\\GAMES"_qs << QStringList{} << t;
        QTest::newRow("apostrophes")     << u"*'*"_qs   << u"*"_qs                << QStringList{} << t;
        QTest::newRow("both patterns")   << u"*.txt"_qs << u"*games*"_qs          << QStringList{} << t;
        QTest::newRow("empty name")      << u""_qs      << u"*"_qs                << QStringList{} << t;
        QTest::newRow("equal paths")     << u"*"_qs     << u"-CD_1- E:\\GAMES"_qs << QStringList{} << int(Schema::EqualPaths);
        // clang-format on
    }
    void deletionAsLiteral()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QFETCH(int, schema);
        const QString ours = mixed(Schema(schema));
        const QString theirs = copyOf(ours);
        {
            store::Database db = store::Database::open(ours);
            queries::deleteFiles(db, name, path);
        }
        {
            store::Database db = store::Database::open(theirs);
            literal::deleteFiles(db, name, path);
        }
        QCOMPARE(contents(ours), contents(theirs));
    }

    void deletingEverythingKeepsTheKeywordLists()
    {
        const QString cat = mixed();
        store::Database db = store::Database::open(cat);
        QCOMPARE(queries::deleteFiles(db, QStringLiteral("*"), QStringLiteral("*")), 17);
        for (const char* table : {"prgnev", "ut", "nev_kulcsid", "ut_kulcsid"})
            QCOMPARE(
                db.scalar(QStringLiteral("SELECT count(*) FROM ") + QLatin1String(table)).toInt(),
                0);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM kulcs")).toInt(), 5);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM kulcsut")).toInt(), 4);
    }

    void progressSteps()
    {
        const QString cat = mixed();
        store::Database db = store::Database::open(cat);
        QList<int> seen;
        auto record = [&seen](int v) { seen << v; };
        queries::assignFileKeywords(
            db, {QStringLiteral("*"), QStringLiteral("*"), choice(kFileKeys, {kJatek})}, record);
        QCOMPARE(seen, QList<int>({26, 42, 58, 74})); // 80 / 5 entries
        seen.clear();
        queries::assignFolderKeywords(
            db, {QStringLiteral("*"), QStringLiteral("*"), choice(kFolderKeys.mid(0, 3), {kCdRom})},
            record);
        QCOMPARE(seen, QList<int>({37, 63})); // 80 / 3 entries
        seen.clear();
        queries::deleteFiles(db, QStringLiteral("doom*"), QStringLiteral("*"), record);
        QCOMPARE(seen, QList<int>({30, 50, 70}));
        QCOMPARE(queries::keywordStepProgress(1, 32), 12); // 12.5 rounds to even
    }

    // A command stopped half-way, by a failure or by a keyword gone from
    // its list, leaves nothing of itself; the connection can go on.
    void failureLeavesTheCatalogAsItWas()
    {
        const QString cat = mixed();
        const Rows before = contents(cat);
        store::Database db = store::Database::open(cat);
        int calls = 0;
        auto stopSecond = [&calls](int) {
            if (++calls == 2)
                throw Stop();
        };
        const Condition files{QStringLiteral("*"), QStringLiteral("*"),
                              choice(kFileKeys, {kJatek, kZene})};
        const Condition folders{QStringLiteral("*"), QStringLiteral("*"),
                                choice(kFolderKeys, {kGyerek})};
        QVERIFY_THROWS_EXCEPTION(Stop, queries::assignFileKeywords(db, files, stopSecond));
        calls = 0;
        QVERIFY_THROWS_EXCEPTION(Stop, queries::assignFolderKeywords(db, folders, stopSecond));
        calls = 0;
        QVERIFY_THROWS_EXCEPTION(
            Stop, queries::deleteFiles(db, QStringLiteral("*"), QStringLiteral("*"), stopSecond));
        const Condition gone{
            QStringLiteral("*"), QStringLiteral("*"),
            choice(kFileKeys + QStringList{QStringLiteral("Nincs ilyen")}, {kJatek})};
        QVERIFY_THROWS_EXCEPTION(platform::Error, queries::assignFileKeywords(db, gone));
        QVERIFY(!db.inTransaction());
        QCOMPARE(contents(cat), before);

        queries::deleteFiles(db, QStringLiteral("*"), QStringLiteral("*"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM prgnev")).toInt(), 0);
    }

    // The program dying in the middle of a deletion, after part of it has
    // reached the file: the next opening finds the catalog as it was.
    void crashInTheMiddleOfADeletion()
    {
        const QString cat = mixed();
        const Rows before = contents(cat);
        const QByteArray bytes = TestSupport::contents(cat);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            store::Database db = store::Database::open(cat);
            queries::deleteFiles(db, QStringLiteral("*"), QStringLiteral("*"), [&db](int value) {
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
        QVERIFY(QFileInfo(cat + QStringLiteral("-journal")).size() > 0);
        QVERIFY(TestSupport::contents(cat) != bytes); // half a deletion stands in the file
        QCOMPARE(contents(cat), before);
        QVERIFY(!QFileInfo::exists(cat + QStringLiteral("-journal")) ||
                QFileInfo(cat + QStringLiteral("-journal")).size() == 0);
    }
};

QTEST_GUILESS_MAIN(TestBulkOperations)
#include "test_bulkoperations.moc"
