#include "FaultFixture.h"
#include "JetCatalogFixture.h"
#include "builder/MediumUpdate.h"
#include "jetimport/JetChild.h"
#include "queries/BulkOperations.h"

#include <QProcess>
#include <QtTest>
#include <fcntl.h>

using namespace faults;

namespace {

// Puts the catalog back into the state saved at 'saved', as one file.
void restore(const QString& saved, const QString& catalog)
{
    QFile::remove(catalog + "-journal");
    TestSupport::writeFile(catalog, TestSupport::contents(saved));
}

QString copyOf(const QString& catalog, const QString& name)
{
    const QString copy = QFileInfo(catalog).dir().filePath(name);
    TestSupport::writeFile(copy, TestSupport::contents(catalog));
    return copy;
}

builder::MediumUpdate::Outcome update(const Medium& m, const QString& catalog,
                                      const builder::MediumUpdate::PointHook& hook = {})
{
    Observer o;
    builder::MediumUpdate u(m.drives, o);
    u.setPointHook(hook);
    return u.run(catalog, "E:\\", "CD_1");
}

// The conversion child's whole work, its report thrown away.
int convert(const QString& jet, const QString& target)
{
    const int out = ::open("/dev/null", O_WRONLY);
    const int code = jetimport::child::run(jet, TestSupport::templateFile(), target, out);
    ::close(out);
    return code;
}

qint64 deleteTexts(const QString& catalog, const queries::Progress& progress = {})
{
    auto db = store::Database::open(catalog);
    return queries::deleteFiles(db, "*.txt", "*", progress);
}

// Folders and files by their paths and names, ids aside.
QStringList contentOf(const QString& catalog)
{
    auto db = store::Database::open(catalog);
    auto st = db.prepare("SELECT ut.ut || '|' || ifnull(nev, '') || '|' || ifnull(hossz, '') "
                         "FROM ut LEFT JOIN prgnev ON prgnev.utid = ut.id ORDER BY 1");
    QStringList rows;
    while (st.step())
        rows << st.value(0).toString();
    return rows;
}

} // namespace

// Each operation is killed with SIGKILL at several moments: at points it
// passes (through its own hooks) and at delays from outside. Afterwards the
// catalog passes the engine's checks, opens as a catalog, holds what it held
// before or what the whole operation makes of it, and the same operation run
// again succeeds.
class TestKilled : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A scan commits whole folders in batches: killed, the catalog holds the
    // first folders of the complete scan, each whole, and an update of the
    // medium completes it.
    void scan()
    {
        Medium m(24, 6);
        const QString empty = copyOf(m.catalog, "ures.mdb");
        const QString full = copyOf(m.catalog, "teljes.mdb");
        QVERIFY(m.scan("CD_1", {}, full).isEmpty());
        const Rows complete = rowsOf(full);
        QCOMPARE(complete.tables["prgnev"].size(), 24 * 6);
        const QStringList completeContent = contentOf(full);

        // Killed at folder n from inside (after a pause at folder 8 long
        // enough to commit a batch), or from outside after some microseconds.
        // 29 folders: 24 below 4 below the root.
        struct Kill
        {
            int folder;
            int micros; // -1: from inside
        };
        bool sawPart = false;
        for (const Kill k : {Kill{1, -1}, Kill{12, -1}, Kill{29, -1}, Kill{0, 0}, Kill{0, 1000},
                             Kill{0, 5000}, Kill{0, 20000}}) {
            restore(empty, m.catalog);
            const auto work = [&] {
                m.scan("CD_1", [&](int folder) {
                    if (folder == 8 && k.folder > 8)
                        QThread::msleep(1100);
                    if (folder == k.folder)
                        ::raise(SIGKILL);
                });
            };
            if (k.micros < 0)
                QCOMPARE(inChild([&] { return work(), 0; }), 128 + SIGKILL);
            else
                killedAfter(k.micros, work);
            const Rows after = rowsOf(m.catalog);
            QVERIFY2(wholeFoldersOf(after, complete), describe(after));
            if (k.folder > 8)
                sawPart |= !after.tables["ut"].isEmpty() && after != complete;
            const QStringList alone{"katalogus.mdb", "teljes.mdb", "ures.mdb"};
            QCOMPARE(filesIn(m.dir.path(), false), alone);
            QCOMPARE(update(m, m.catalog), builder::MediumUpdate::Outcome::Updated);
            QCOMPARE(contentOf(m.catalog), completeContent);
            QCOMPARE(filesIn(m.dir.path()), alone);
        }
        QVERIFY(sawPart); // a kill after the first batch kept that batch
    }

    // A compaction is the catalog renamed over by its compacted copy: killed
    // anywhere, the catalog holds the same rows, and the next compaction is
    // not stopped by the copy left half-written.
    void compaction()
    {
        Medium m(60, 20);
        QVERIFY(m.scan().isEmpty());
        QCOMPARE(deleteTexts(m.catalog), 60 * 13);
        const Rows before = rowsOf(m.catalog);
        const QString saved = copyOf(m.catalog, "mentes.mdb");
        const qint64 size = QFileInfo(m.catalog).size();
        int compacted = 0;
        for (const int micros : {0, 500, 1000, 2000, 4000, 8000, 16000, 300000}) {
            restore(saved, m.catalog);
            killedAfter(micros, [&] { store::compactCatalog(m.catalog); });
            const Rows after = rowsOf(m.catalog);
            QVERIFY2(after == before, describe(after));
            compacted += QFileInfo(m.catalog).size() < size;
            store::compactCatalog(m.catalog);
            QVERIFY(QFileInfo(m.catalog).size() < size);
            QCOMPARE(rowsOf(m.catalog), before);
            QCOMPARE(filesIn(m.dir.path()), (QStringList{"katalogus.mdb", "mentes.mdb"}));
        }
        QVERIFY(compacted > 0); // the last kills came after the rename
    }

    // The conversion child (the program run with its child's option) writes
    // a new catalog beside the target and renames it over the target at the
    // end. Killed at any report line, the target is
    // the old file or the whole conversion; the temporary it named is all
    // that is left, which the program removes, and the conversion runs again.
    void jetConversion()
    {
        QTemporaryDir dir;
        const QString jet = dir.filePath("regi.mdb"), target = dir.filePath("uj.mdb");
        jetwriter::write(jet, jetfixture::makeCatalog(40, 15).tables);
        const QString whole = dir.filePath("egesz.mdb");
        QCOMPARE(convert(jet, whole), 0);
        const Rows converted = rowsOf(whole);
        QVERIFY(converted.tables["prgnev"].size() >= 600);
        QVERIFY(QFile::remove(whole));
        const QByteArray old = "egy korábbi file";

        int kept = 0, replaced = 0;
        struct Point
        {
            QByteArray kind;
            int percent = 0;
        };
        for (const Point& point :
             {Point{"temp"}, Point{"progress", 0}, Point{"progress", 10}, Point{"progress", 50},
              Point{"progress", 90}, Point{"progress", 100}, Point{"done"}}) {
            TestSupport::writeFile(target, old);
            // The program as its own conversion child, killed on reading the line.
            QProcess child;
            child.setProgram(POLCOZO_PROGRAM);
            child.setArguments(
                {jetimport::child::kOption, jet, TestSupport::templateFile(), target});
            // Told a line, the test kills before the child goes on.
            child.setChildProcessModifier([] { ::setpriority(PRIO_PROCESS, 0, 19); });
            child.start();
            QVERIFY(child.waitForStarted());
            jetimport::child::ReportReader reader(target);
            QByteArray lines;
            bool killed = false;
            while (!killed && (child.waitForReadyRead(20000) || child.bytesAvailable() > 0)) {
                const QByteArray bytes = child.readAllStandardOutput();
                reader.feed(bytes);
                lines += bytes;
                for (const QByteArray& line : lines.split('\n')) {
                    const QList<QByteArray> words = line.split(' ');
                    if (!killed && words.size() > 1 && words[0] == point.kind &&
                        (point.kind != "progress" || words[1].toInt() >= point.percent)) {
                        child.kill();
                        killed = true;
                    }
                }
            }
            child.waitForFinished();
            QVERIFY2(killed, point.kind.constData());

            if (TestSupport::contents(target) == old) {
                ++kept;
            } else {
                const Rows now = rowsOf(target);
                QVERIFY2(now == converted, describe(now));
                ++replaced;
            }
            if (!reader.report().temporary.isEmpty())
                QFile::remove(reader.report().temporary);
            QCOMPARE(filesIn(dir.path()), (QStringList{"regi.mdb", "uj.mdb"}));
        }
        QVERIFY(kept > 0 && replaced > 0);
        QProcess again;
        again.start(POLCOZO_PROGRAM,
                    {jetimport::child::kOption, jet, TestSupport::templateFile(), target});
        QVERIFY(again.waitForFinished(20000));
        QCOMPARE(again.exitCode(), 0);
        QVERIFY(again.readAllStandardOutput().contains("\ndone "));
        QCOMPARE(rowsOf(target), converted);
    }

    // An update is one transaction.
    void mediumUpdate()
    {
        Medium m(20, 5);
        QVERIFY(m.scan().isEmpty());
        for (int i = 0; i < 20; i += 3) // some folders gone, others changed, one new
            QDir(QStringLiteral("%1/M%2/A%3").arg(m.e).arg(i % 4).arg(i)).removeRecursively();
        for (int i = 1; i < 20; i += 3)
            TestSupport::writeFile(QStringLiteral("%1/M%2/A%3/f0.dat").arg(m.e).arg(i % 4).arg(i),
                                   "changed");
        QDir().mkpath(m.e + "/Uj");
        TestSupport::writeFile(m.e + "/Uj/uj.txt", "new");
        const Rows before = rowsOf(m.catalog);
        const QString saved = copyOf(m.catalog, "mentes.mdb");
        const QString done = copyOf(m.catalog, "kesz.mdb");
        QCOMPARE(update(m, done), builder::MediumUpdate::Outcome::Updated);
        const Rows after = rowsOf(done);
        QVERIFY(after != before);

        struct Point
        {
            const char* name;
            qint64 n;
        };
        for (const Point p : {Point{"folder", 1}, Point{"folder", 10}, Point{"commit", -1}}) {
            restore(saved, m.catalog);
            const int how = inChild([&] {
                update(m, m.catalog, [&](const char* at, qint64 n) {
                    if (qstrcmp(at, p.name) == 0 && (p.n < 0 || n == p.n))
                        ::raise(SIGKILL);
                });
                return 0;
            });
            QCOMPARE(how, 128 + SIGKILL);
            QCOMPARE(rowsOf(m.catalog), before);
        }
        for (const int micros : {0, 2000, 8000, 30000, 100000}) {
            restore(saved, m.catalog);
            killedAfter(micros, [&] { update(m, m.catalog); });
            const Rows now = rowsOf(m.catalog);
            QVERIFY2(now == before || now == after, describe(now));
            QCOMPARE(update(m, m.catalog), builder::MediumUpdate::Outcome::Updated);
            QCOMPARE(rowsOf(m.catalog), after);
        }
        QCOMPARE(filesIn(m.dir.path()), (QStringList{"katalogus.mdb", "kesz.mdb", "mentes.mdb"}));
    }

    // A bulk deletion is one transaction, killed at each step it reports.
    void bulkDeletion()
    {
        Medium m(30, 9);
        QVERIFY(m.scan().isEmpty());
        const Rows before = rowsOf(m.catalog);
        const QString saved = copyOf(m.catalog, "mentes.mdb");
        const QString done = copyOf(m.catalog, "kesz.mdb");
        QCOMPARE(deleteTexts(done), 30 * 6);
        const Rows after = rowsOf(done);

        for (const int step : {30, 50, 70}) {
            restore(saved, m.catalog);
            const int how = inChild([&] {
                deleteTexts(m.catalog, [step](int percent) {
                    if (percent == step)
                        ::raise(SIGKILL);
                });
                return 0;
            });
            QCOMPARE(how, 128 + SIGKILL);
            QCOMPARE(rowsOf(m.catalog), before);
        }
        for (const int micros : {0, 1000, 3000, 10000, 50000}) {
            restore(saved, m.catalog);
            killedAfter(micros, [&] { deleteTexts(m.catalog); });
            const Rows now = rowsOf(m.catalog);
            QVERIFY2(now == before || now == after, describe(now));
            deleteTexts(m.catalog);
            QCOMPARE(rowsOf(m.catalog), after);
        }
        QCOMPARE(filesIn(m.dir.path()), (QStringList{"katalogus.mdb", "kesz.mdb", "mentes.mdb"}));
    }
};

QTEST_GUILESS_MAIN(TestKilled)
#include "test_killed.moc"
