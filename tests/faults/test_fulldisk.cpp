#include "FaultFixture.h"
#include "JetCatalogFixture.h"
#include "athozo/TreeCopy.h"
#include "jetimport/JetChild.h"
#include "mainwin/ViewScans.h"
#include "platform/CopyErrors.h"
#include "retrieval/FileCopy.h"
#include "store/DataSource.h"

#include <QtTest>
#include <fcntl.h>

using namespace faults;

namespace {

// The error number 'call' threw in a child whose files may grow to 'room'
// bytes only; 0 when it threw nothing.
int errorWithRoom(rlim_t room, const std::function<void()>& call)
{
    return inChild([&] {
        limitFileSize(room);
        return TestSupport::errorOf(call);
    });
}

} // namespace

// A full disk (a file-size limit in a child process, so writes fail with
// EFBIG) during each operation that writes: the operation says it failed,
// with the program's number for a full disk or its own message, and the
// catalog and any file it would have replaced stay as they were.
class TestFullDisk : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The scan says what the catalog kept, and the catalog holds just that.
    void scan()
    {
        Medium m(120, 12);
        const QString full = m.dir.filePath("teljes.mdb");
        TestSupport::freshCatalog(full);
        QVERIFY(m.scan("CD_1", {}, full).isEmpty());
        const Rows complete = rowsOf(full);
        const QString report = m.dir.filePath("jelentes");
        for (const qint64 extra : {0, 16 << 10, 96 << 10}) {
            TestSupport::freshCatalog(m.catalog);
            const rlim_t room = rlim_t(QFileInfo(m.catalog).size() + extra);
            QCOMPARE(inChild([&] {
                         limitFileSize(room);
                         const QStringList failures = m.scan("CD_1", [](int folder) {
                             if (folder == 40) // the folders before in a batch of their own
                                 QThread::msleep(1100);
                         });
                         TestSupport::writeFile(report, failures.join('|').toUtf8());
                         return 0;
                     }),
                     0);
            const QString failure = QString::fromUtf8(TestSupport::contents(report));
            QVERIFY2(failure.contains("A rögzítés félbeszakadt"), qPrintable(failure));
            const Rows now = rowsOf(m.catalog);
            QVERIFY2(wholeFoldersOf(now, complete), describe(now));
            QVERIFY(now != complete);
            const QList<QStringList> folders = now.tables["ut"];
            if (folders.isEmpty())
                QVERIFY2(failure.contains("semmi"), qPrintable(failure));
            else // the message names the last folder kept
                QVERIFY2(failure.contains(folders.last()[1] + " mappáig"), qPrintable(failure));
            QCOMPARE(filesIn(m.dir.path()),
                     (QStringList{"jelentes", "katalogus.mdb", "teljes.mdb"}));
        }
    }

    // Compacting and saving a copy: 61, and neither the catalog nor the
    // file a copy would replace changes; no half-written copy is left.
    void compactionAndSaveAs()
    {
        Medium m(60, 20);
        QVERIFY(m.scan().isEmpty());
        {
            auto db = store::Database::open(m.catalog);
            db.exec("DELETE FROM nev_kulcsid WHERE id % 2 = 0");
            db.exec("DELETE FROM prgnev WHERE id % 2 = 0");
        }
        const QByteArray catalog = TestSupport::contents(m.catalog);
        const QString other = m.dir.filePath("masik.mdb");
        const QByteArray old = "a file saved earlier";
        TestSupport::writeFile(other, old);
        const rlim_t room = rlim_t(catalog.size() / 4);

        QCOMPARE(errorWithRoom(room, [&] { store::compactCatalog(m.catalog); }),
                 platform::err::DiskFull);
        QCOMPARE(errorWithRoom(room, [&] { store::copyFile(m.catalog, other); }),
                 platform::err::DiskFull);
        QCOMPARE(TestSupport::contents(m.catalog), catalog);
        QCOMPARE(TestSupport::contents(other), old);
        QCOMPARE(filesIn(m.dir.path()), (QStringList{"katalogus.mdb", "masik.mdb"}));
        QVERIFY(rowsOf(m.catalog).fault.isEmpty());
    }

    // The listing of a view and its comma-separated form.
    void listing()
    {
        Medium m(40, 10);
        QVERIFY(m.scan().isEmpty());
        const QByteArray catalog = TestSupport::contents(m.catalog);
        const QString target = m.dir.filePath("lista.txt");
        const QByteArray old = "an earlier listing";
        for (const bool csv : {false, true}) {
            TestSupport::writeFile(target, old);
            QCOMPARE(errorWithRoom(4096,
                                   [&] {
                                       store::DataSource view;
                                       view.setDatabaseName(m.catalog);
                                       view.setRecordSource("SELECT * FROM alapfile");
                                       view.refresh();
                                       if (csv)
                                           ViewScans::writeCsv(view, target);
                                       else
                                           ViewScans::writeListing(view, target, m.catalog,
                                                                   " 400 DB rekord ");
                                   }),
                     platform::err::DiskFull);
            QCOMPARE(TestSupport::contents(target), old);
            QCOMPARE(filesIn(m.dir.path()), (QStringList{"katalogus.mdb", "lista.txt"}));
        }
        QCOMPARE(TestSupport::contents(m.catalog), catalog);
    }

    // The conversion child reports a failure; its temporary is gone, an
    // earlier file at the target stays.
    void jetConversion()
    {
        QTemporaryDir dir;
        const QString jet = dir.filePath("regi.mdb"), target = dir.filePath("uj.mdb");
        jetwriter::write(jet, jetfixture::makeCatalog(40, 15).tables);
        const QByteArray old = "an earlier file";
        const QString report = dir.filePath("jelentes");
        for (const rlim_t room :
             {rlim_t(4096), rlim_t(QFileInfo(TestSupport::templateFile()).size() + 8192)}) {
            TestSupport::writeFile(target, old);
            QCOMPARE(inChild([&] {
                         const int out = ::open(QFile::encodeName(report).constData(),
                                                O_WRONLY | O_CREAT | O_TRUNC, 0600);
                         limitFileSize(room);
                         return jetimport::child::run(jet, TestSupport::templateFile(), target,
                                                      out);
                     }),
                     0);
            jetimport::child::ReportReader reader(target);
            QVERIFY(reader.feed(TestSupport::contents(report)));
            QVERIFY(reader.complete());
            QVERIFY(!reader.report().done);
            // Refused at the commit, the engine tells an I/O error without the
            // system's reason; either way a failure, not a conversion.
            const int n = reader.report().errorNumber;
            QVERIFY2(n == platform::err::DiskFull || n == platform::err::DeviceIO,
                     qPrintable(reader.report().detail));
            QCOMPARE(TestSupport::contents(target), old);
            QCOMPARE(filesIn(dir.path()), (QStringList{"jelentes", "regi.mdb", "uj.mdb"}));
        }
    }

    // Copying back, one file and a whole folder by the copier: the failure
    // is the target's and a full disk's, and the earlier copy stays.
    void copyBack()
    {
        QTemporaryDir dir;
        const QByteArray source = QFile::encodeName(dir.filePath("forras"));
        const QByteArray target = QFile::encodeName(dir.filePath("cel"));
        QDir().mkpath(dir.filePath("forras/al"));
        QDir().mkpath(dir.filePath("cel/al"));
        TestSupport::writeFile(dir.filePath("forras/al/nagy.bin"), QByteArray(1 << 20, 'n'));
        TestSupport::writeFile(dir.filePath("forras/kicsi.txt"), "small");
        const QByteArray old = "the earlier copy";
        TestSupport::writeFile(dir.filePath("cel/al/nagy.bin"), old);
        const QString report = dir.filePath("jelentes");

        QCOMPARE(inChild([&] {
                     limitFileSize(256 << 10);
                     const auto failure =
                         retrieval::copyFile(source + "/al/nagy.bin", target + "/al/nagy.bin");
                     return failure ? platform::copyErrorNumber(failure->step, failure->errnoValue)
                                    : 0;
                 }),
                 platform::err::PathNotFound); // the target cannot be written
        QCOMPARE(TestSupport::contents(dir.filePath("cel/al/nagy.bin")), old);

        QCOMPARE(inChild([&] {
                     limitFileSize(256 << 10);
                     const QStringList paths{QFile::decodeName(source) + "/*.*",
                                             QFile::decodeName(target) + "/*.*", "/S", "/C", "/Y"};
                     const athozo::Job job =
                         std::get<athozo::Job>(athozo::parseArguments(paths, {}));
                     athozo::Progress progress;
                     const bool ok = athozo::TreeCopy(job, progress).run();
                     QStringList failures;
                     for (const athozo::Failure& f : progress.state().failures)
                         failures << f.name + ": " + f.reason;
                     TestSupport::writeFile(report, failures.join('|').toUtf8());
                     return ok ? 1 : 0;
                 }),
                 0);
        QCOMPARE(QString::fromUtf8(TestSupport::contents(report)),
                 dir.filePath("forras/al/nagy.bin") + ": túl nagy a célnak");
        QCOMPARE(TestSupport::contents(dir.filePath("cel/al/nagy.bin")), old);
        QCOMPARE(TestSupport::contents(dir.filePath("cel/kicsi.txt")), QByteArray("small"));
        QCOMPARE(filesIn(dir.filePath("cel/al")), QStringList{"nagy.bin"});
        QCOMPARE(filesIn(dir.filePath("cel")), QStringList{"kicsi.txt"});
    }
};

QTEST_GUILESS_MAIN(TestFullDisk)
#include "test_fulldisk.moc"
