// polcozo_bench_search [--dense] [--files N] [--cpu] [--only CASE [--plans]] [CATALOG]
// Times the compound search, the condition dialog's search and the bulk
// commands through the queries core, against the statements as they were
// always written. One figure a line on stdout, "NAME VALUE UNIT"; notes on stderr.
// Without CATALOG it generates a 1 000 000-file (or N-file) catalog with
// keywords in a temporary folder, with --dense two file keywords on a quarter
// and a sixth of the files and a folder keyword on a third of the folders; a CATALOG that does not exist yet is generated there and
// kept. Either way the timings run on a copy: CATALOG is left as it is.
// --cpu times by the process's processor time (for a busy machine);
// --only runs one case once, without the statements as written and the bulk
// commands (for callgrind); --plans prints its query plans on stderr.
#include "BenchProgram.h"
#include "BenchReport.h"
#include "CatalogGenerator.h"
#include "LiteralStatements.h"

#include "queries/BulkOperations.h"
#include "queries/Duplicates.h"
#include "queries/LinkIndexes.h"
#include "queries/SearchViews.h"
#include "shared/Module1.h"
#include "shared/Subject.h"
#include "store/CatalogFiles.h"
#include "store/DataSource.h"
#include "store/Database.h"
#include "store/Like.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QByteArray>
#include <QHash>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <stdexcept>
#include <vector>

using queries::RecordSource;

namespace {

qint64 g_files = 1000000;
bool g_dense = false;
QString g_only;
bool g_plans = false;

void printPlan(store::Database& db, const QString& what, const QString& sql,
               const QVariantList& params)
{
    QStringList values;
    for (const QVariant& v : params)
        values << v.toString();
    std::fprintf(stderr, "plan of %s:\n%s\n[%s]\n", qPrintable(what), qPrintable(sql),
                 qPrintable(values.join(QStringLiteral("|"))));
    store::Statement plan = db.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
    plan.bindAll(params);
    while (plan.step())
        std::fprintf(stderr, "  %d %d %s\n", plan.value(0).toInt(), plan.value(1).toInt(),
                     qPrintable(plan.value(3).toString()));
}

using bench::check;
using bench::figure;
using bench::note;
using bench::peakMiB;

constexpr int kRuns = 5;        // ours: the median of these
constexpr int kLiteralRuns = 3; // the statements as written, slower
constexpr qint64 kBulkFiles = 100000;

bool g_cpu = false; // --cpu: the process's processor time instead of the clock's

double cpuNow()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1.0e9;
}

double seconds(const std::function<void()>& work)
{
    if (g_cpu) {
        const double start = cpuNow();
        work();
        return cpuNow() - start;
    }
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1.0e9;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

KeywordChoice chosen(const QStringList& entries, const QList<int>& picked)
{
    KeywordChoice c{entries, QList<bool>(entries.size(), false)};
    for (int i : picked)
        c.selected[i] = true;
    return c;
}

struct Timing
{
    double first = 0;
    double count = 0;     // with the view's own count statement where it has one
    double viewCount = 0; // the data source's count, given the count statement as the main window gives it
    qint64 rows = 0;
};

// As the main window reads a view: one data source kept open, the record
// source set and refreshed, the first 40 rows drawn, then the count.
Timing timeView(store::DataSource& ds, const RecordSource& source, int runs)
{
    std::vector<double> first, count, viewCount;
    qint64 rows = -1;
    for (int r = 0; r < runs; ++r) {
        first.push_back(seconds([&] {
            ds.setRecordSource(source.sql, source.params, source.countSql);
            ds.refresh();
            for (qint64 row = 0; row < 40; ++row)
                for (int c = 0; c < ds.columnCount(); ++c)
                    ds.cell(row, c);
        }));
        if (!source.countSql.isEmpty()) {
            qint64 counted = -1;
            count.push_back(seconds([&] {
                counted = ds.database().scalar(source.countSql, source.params).toLongLong();
            }));
            viewCount.push_back(seconds([&] { rows = ds.recordCount(); }));
            // Once, untimed: the view's own rows counted.
            if (r == 0 && (counted != rows ||
                           counted != ds.database()
                                          .scalar(QStringLiteral("SELECT count(*) FROM (") +
                                                      source.sql + QLatin1Char(')'),
                                                  source.params)
                                          .toLongLong()))
                throw std::runtime_error("the count statement disagrees with the view");
        } else {
            count.push_back(seconds([&] { rows = ds.recordCount(); }));
        }
    }
    return {median(first), median(count), viewCount.empty() ? -1 : median(viewCount), rows};
}

struct Case
{
    QString name;
    RecordSource ours;
    RecordSource literal;
};

// The path pattern whose folders hold closest to 'wanted' files: a medium
// label, or its start or its end, with "*" for the rest.
QString patternFor(store::Database& db, qint64 wanted, qint64& files)
{
    QHash<QString, qint64> perMedium;
    store::Statement st = db.prepare(QStringLiteral(
        "SELECT u.ut, count(*) FROM prgnev p CROSS JOIN ut u WHERE u.id = p.utid GROUP BY p.utid"));
    while (st.step())
        perMedium[Module1::mediumLabel(st.value(0).toString())] += st.value(1).toLongLong();
    QString best = QStringLiteral("*");
    qint64 bestFiles = -1;
    for (auto it = perMedium.cbegin(); it != perMedium.cend(); ++it) {
        QStringList candidates{QLatin1Char('-') + it.key() + QStringLiteral("- *")};
        for (qsizetype k = 1; k <= it.key().size(); ++k)
            candidates << QLatin1Char('-') + it.key().left(k) + QLatin1Char('*')
                       << QStringLiteral("-*") + it.key().right(k) + QStringLiteral("- *");
        for (const QString& pattern : candidates) {
            qint64 n = 0;
            for (auto m = perMedium.cbegin(); m != perMedium.cend(); ++m)
                if (store::likeMatch(pattern,
                                     QLatin1Char('-') + m.key() + QStringLiteral("- E:\\")))
                    n += m.value();
            if (bestFiles < 0 || std::llabs(n - wanted) < std::llabs(bestFiles - wanted)) {
                best = pattern;
                bestFiles = n;
            }
        }
    }
    files = bestFiles;
    return best;
}

void run(const QString& source, const QString& scratch)
{
    const QString catalog = scratch + QStringLiteral("/kereses.mdb");
    store::copyFile(source, catalog);
    QStringList fileKeys, folderKeys;
    {
        store::Database db = store::Database::open(catalog);
        fileKeys = keywordTexts(db, Subject::filesSubject());
        folderKeys = keywordTexts(db, Subject::foldersSubject());
        note(
            QStringLiteral("%1 files, %2 folders, %3 file and %4 folder keywords; link indexes: %5")
                .arg(db.scalar(QStringLiteral("SELECT count(*) FROM prgnev")).toLongLong())
                .arg(db.scalar(QStringLiteral("SELECT count(*) FROM ut")).toLongLong())
                .arg(fileKeys.size())
                .arg(folderKeys.size())
                .arg(queries::hasLinkIndexes(db) ? QStringLiteral("two-column")
                                                 : QStringLiteral("older")));
    }
    if (fileKeys.size() < 3 || folderKeys.size() < 2)
        throw std::runtime_error(
            "the catalog needs two file keywords and one folder keyword besides the defaults");

    const auto defaults = [&](const QString& name, const QString& path, bool paths) {
        return queries::CompoundSearch{name, path, chosen(fileKeys, {0}), chosen(folderKeys, {0}),
                                       paths};
    };
    const queries::CompoundSearch keyed{QStringLiteral("*"), QStringLiteral("*"),
                                        chosen(fileKeys, {1, 2}), chosen(folderKeys, {1}), false};
    queries::CompoundSearch keyedPaths = keyed;
    keyedPaths.pathOriented = true;
    const queries::Condition szuro{QStringLiteral("*e*"), QStringLiteral("*"),
                                   chosen(fileKeys, {1})};

    auto compound = [](const QString& name, const queries::CompoundSearch& s) {
        return Case{name, queries::compoundSearchView(s).source, literal::compoundSearch(s)};
    };
    const std::vector<Case> cases{
        compound(QStringLiteral("trivial"),
                 defaults(QStringLiteral("*"), QStringLiteral("*"), false)),
        compound(QStringLiteral("name"),
                 defaults(QStringLiteral("*e*"), QStringLiteral("*"), false)),
        compound(QStringLiteral("keyed"), keyed),
        compound(QStringLiteral("keyed_paths"), keyedPaths),
        Case{QStringLiteral("szuro_files"),
             *queries::conditionSearch(Subject::filesSubject(), szuro),
             *literal::conditionSearch(Subject::filesSubject(), szuro)},
    };

    store::DataSource ds;
    ds.setDatabaseName(catalog);
    if (!g_only.isEmpty()) {
        for (const Case& c : cases) {
            if (c.name != g_only)
                continue;
            if (g_plans) {
                printPlan(ds.database(), c.name, c.ours.sql, c.ours.params);
                if (!c.ours.countSql.isEmpty())
                    printPlan(ds.database(), c.name + QStringLiteral(" count"), c.ours.countSql,
                              c.ours.params);
            }
            const Timing ours = timeView(ds, c.ours, 1);
            figure(QStringLiteral("search_%1_first_s").arg(c.name), ours.first, "s", 4);
            figure(QStringLiteral("search_%1_count_s").arg(c.name), ours.count, "s", 4);
            if (ours.viewCount >= 0)
                figure(QStringLiteral("search_%1_view_count_s").arg(c.name), ours.viewCount, "s",
                       4);
            figure(QStringLiteral("search_%1_rows").arg(c.name), double(ours.rows), "rows", 0);
        }
        return;
    }
    for (const Case& c : cases) {
        const Timing ours = timeView(ds, c.ours, kRuns);
        figure(QStringLiteral("search_%1_first_s").arg(c.name), ours.first, "s", 4);
        figure(QStringLiteral("search_%1_count_s").arg(c.name), ours.count, "s", 4);
        if (ours.viewCount >= 0)
            figure(QStringLiteral("search_%1_view_count_s").arg(c.name), ours.viewCount, "s", 4);
        figure(QStringLiteral("search_%1_rows").arg(c.name), double(ours.rows), "rows", 0);
    }
    // Copies across the media, largest first.
    {
        const Timing dup = timeView(ds, queries::duplicatesView().source, 3);
        figure(QStringLiteral("duplicates_first_s"), dup.first, "s", 4);
        figure(QStringLiteral("duplicates_count_s"), dup.count, "s", 4);
        figure(QStringLiteral("duplicates_view_count_s"), dup.viewCount, "s", 4);
        figure(QStringLiteral("duplicates_rows"), double(dup.rows), "rows", 0);
    }
    figure(QStringLiteral("search_rss_mb"), peakMiB(), "MB", 1);
    for (const Case& c : cases) {
        const Timing theirs = timeView(ds, c.literal, kLiteralRuns);
        figure(QStringLiteral("search_%1_literal_first_s").arg(c.name), theirs.first, "s", 4);
        figure(QStringLiteral("search_%1_literal_count_s").arg(c.name), theirs.count, "s", 4);
        figure(QStringLiteral("search_%1_literal_rows").arg(c.name), double(theirs.rows), "rows",
               0);
    }
    ds.closeDatabase();

    // Bulk commands on about 100 000 files of whole media.
    qint64 files = 0;
    QString path;
    {
        store::Database db = store::Database::open(catalog);
        path = patternFor(db, kBulkFiles, files);
    }
    note(QStringLiteral("bulk commands on the path pattern %1: %2 files").arg(path).arg(files));
    figure(QStringLiteral("bulk_files"), double(files), "files", 0);
    const queries::Condition assign{QStringLiteral("*"), path, chosen(fileKeys, {1})};
    const QString pristine = scratch + QStringLiteral("/pristine.mdb");
    store::copyFile(catalog, pristine);

    std::vector<double> assignTimes;
    for (int r = 0; r < 3; ++r) {
        store::copyFile(pristine, catalog);
        store::Database db = store::Database::open(catalog);
        assignTimes.push_back(seconds([&] { queries::assignFileKeywords(db, assign); }));
    }
    figure(QStringLiteral("bulk_assign_100k_s"), median(assignTimes), "s", 4);
    std::vector<double> deleteTimes;
    for (int r = 0; r < 3; ++r) {
        store::copyFile(pristine, catalog);
        store::Database db = store::Database::open(catalog);
        deleteTimes.push_back(
            seconds([&] { queries::deleteFiles(db, QStringLiteral("*"), path); }));
    }
    figure(QStringLiteral("bulk_delete_100k_s"), median(deleteTimes), "s", 4);
    figure(QStringLiteral("bulk_rss_mb"), peakMiB(), "MB", 1);

    store::copyFile(pristine, catalog);
    {
        store::Database db = store::Database::open(catalog);
        store::Transaction tx(db);
        figure(QStringLiteral("bulk_assign_100k_literal_s"),
               seconds([&] { literal::assignFileKeywords(db, assign); }), "s", 4);
        tx.commit();
    }
    store::copyFile(pristine, catalog);
    {
        store::Database db = store::Database::open(catalog);
        store::Transaction tx(db);
        figure(QStringLiteral("bulk_delete_100k_literal_s"),
               seconds([&] { literal::deleteFiles(db, QStringLiteral("*"), path); }), "s", 4);
        tx.commit();
    }
}


bool generateApart(const QString& catalog)
{
    note(QStringLiteral("generating %1 files with %2keywords into %3")
             .arg(g_files)
             .arg(g_dense ? QStringLiteral("dense ") : QString())
             .arg(catalog));
    return bench::runApart([&catalog] {
        const auto r =
            bench::generateCatalog(QStringLiteral(POLCOZO_BENCH_TEMPLATE), catalog, g_files);
        const auto k = bench::generateKeywords(
            catalog, g_dense ? bench::denseKeywordLayout() : bench::KeywordLayout{});
        const auto d = bench::generateDuplicates(catalog);
        std::fprintf(stderr,
                     "generation: %lld ms, %lld files in %lld folders; %lld file and %lld folder "
                     "keyword links; %lld files copied %lld times\n",
                     r.milliseconds + k.milliseconds + d.milliseconds, r.files, r.folders,
                     k.fileLinks, k.folderLinks, d.originals, d.copies);
    });
}

} // namespace

int main(int argc, char** argv)
{
    // The options go before the catalog argument.
    std::vector<char*> args{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--dense") {
            g_dense = true;
        } else if (a == "--files" && i + 1 < argc) {
            g_files = QByteArray(argv[++i]).toLongLong();
            if (g_files < 1) {
                std::fprintf(stderr, "--files needs a positive number\n");
                return 2;
            }
        } else if (a == "--only" && i + 1 < argc) {
            g_only = QString::fromLocal8Bit(argv[++i]);
        } else if (a == "--cpu") {
            g_cpu = true;
        } else if (a == "--plans") {
            g_plans = true;
        } else {
            args.push_back(argv[i]);
        }
    }
    args.push_back(nullptr);
    argc = int(args.size()) - 1;
    argv = args.data();
    QTemporaryDir scratch;
    int exitCode = 0;
    const QString catalog = bench::catalogArgument(argc, argv, scratch, QStringLiteral("generated.mdb"), generateApart, exitCode);
    if (catalog.isEmpty())
        return exitCode;
    QCoreApplication app(argc, argv);
    return bench::measured([&] {
        run(catalog, scratch.path());
    });
}
