#include "LiteralStatements.h"
#include "QueriesFixture.h"
#include "queries/KeywordChoice.h"
#include "queries/LinkIndexes.h"
#include "queries/SearchViews.h"
#include "shared/Subject.h"

#include <QRegularExpression>

using namespace QueriesFixture;
using queries::CompoundSearch;
using queries::Condition;
using queries::KeywordChoice;

namespace {

const QString kDefault = QStringLiteral("Általános");
const QStringList kFileKeys{kDefault, kJatek, kRock, kJatekLower, kZene};
const QStringList kFolderKeys{kDefault, kCdRom, kGyerek, kRegi};

const QStringList kNames{QStringLiteral("*"),    QStringLiteral("*e*"), QStringLiteral("doom*"),
                         QStringLiteral("*'*"),  QStringLiteral(""),    QStringLiteral("?oom*"),
                         QStringLiteral("*.txt")};
const QStringList kPaths{QStringLiteral("*"), QStringLiteral("-CD_1- *"), QStringLiteral("*games*"),
                         QStringLiteral("*'*"), QStringLiteral("")};
const QList<QStringList> kFileChoices{
    {kDefault}, {kJatek}, {kJatek, kRock}, {kJatekLower}, {kDefault, kRock}, {kZene, kJatek, kRock},
    {}};
const QList<QStringList> kFolderChoices{{kDefault}, {kCdRom}, {kCdRom, kGyerek}, {kRegi}, {}};

QStringList column(const Rows& rows, int c)
{
    QStringList values;
    for (const QStringList& r : rows)
        values << r.value(c);
    return values;
}

Rows sorted(Rows rows)
{
    std::sort(rows.begin(), rows.end());
    return rows;
}

// The statements order by path alone; files of one folder may come in any order.
bool sameRows(const Rows& ours, const Rows& literal, int pathColumn, bool ordered, QString& why)
{
    if (ordered && column(ours, pathColumn) != column(literal, pathColumn)) {
        why = QStringLiteral("paths differ: ") + column(ours, pathColumn).join(u'|') +
              QStringLiteral(" / ") + column(literal, pathColumn).join(u'|');
        return false;
    }
    if (sorted(ours) != sorted(literal)) {
        why = QStringLiteral("rows differ: %1 / %2 rows").arg(ours.size()).arg(literal.size());
        return false;
    }
    return true;
}

// A view's own count statement counts exactly its rows.
bool countsItsRows(const store::Database& db, const queries::RecordSource& source, qsizetype rows)
{
    return source.countSql.isEmpty() ||
           db.scalar(source.countSql, source.params).toLongLong() == rows;
}

} // namespace

class TestSearchViews : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    static CompoundSearch search(const QString& name, const QString& path, const QStringList& files,
                                 const QStringList& folders, bool paths = false)
    {
        return {name, path, choice(kFileKeys, files), choice(kFolderKeys, folders), paths};
    }

private Q_SLOTS:
    void trivialSearch_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<bool>("trivial");
        const QStringList d{kDefault};
        // clang-format off
        QTest::newRow("defaults")             << u"*"_qs   << u"*"_qs        << d << d << true;
        QTest::newRow("empty name, path **")  << u""_qs    << u"**"_qs       << d << d << true;
        QTest::newRow("name **, empty path")  << u"**"_qs  << u""_qs         << d << d << true;
        QTest::newRow("typed name")           << u"*e*"_qs << u"*"_qs        << d << d << false;
        QTest::newRow("typed path")           << u"*"_qs   << u"-CD_1- *"_qs << d << d << false;
        QTest::newRow("other file keyword")   << u"*"_qs   << u"*"_qs        << QStringList{kJatek} << d << false;
        QTest::newRow("other folder keyword") << u"*"_qs   << u"*"_qs        << d << QStringList{kCdRom} << false;
        QTest::newRow("no file keyword")      << u"*"_qs   << u"*"_qs        << QStringList{} << d << false;
        // clang-format on
    }
    void trivialSearch()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QFETCH(QStringList, files);
        QFETCH(QStringList, folders);
        QFETCH(bool, trivial);
        QCOMPARE(queries::isTrivialSearch(search(name, path, files, folders)), trivial);
    }

    void baseViewWhenTrivialOrAListIsEmpty()
    {
        const QString cat = makeCatalog(m_dir, QStringLiteral("base.mdb"));
        fillMixed(cat, Schema::Template);
        for (const CompoundSearch& s :
             {search(QStringLiteral("*"), QStringLiteral("*"), {kDefault}, {kDefault}),
              search(QStringLiteral(""), QStringLiteral("**"), {kDefault}, {kDefault}),
              search(QStringLiteral("doom*"), QStringLiteral("*"), {}, {kCdRom}),
              search(QStringLiteral("doom*"), QStringLiteral("*"), {kJatek}, {})}) {
            const auto view = queries::compoundSearchView(s);
            QCOMPARE(view.source.sql, queries::kBaseView);
            QVERIFY(!view.baseView && !view.folderList);
        }
        // The distinct-folder form: every folder that holds files, once, in path order.
        auto s = search(QStringLiteral("doom*"), QStringLiteral("*"), {kJatek}, {});
        s.pathOriented = true;
        const auto view = queries::compoundSearchView(s);
        QVERIFY(view.folderList && !view.baseView);
        const Rows folders = rowsOf(cat, view.source);
        QStringList paths = column(folders, 1);
        QCOMPARE(paths.size(), 7);
        paths.sort();
        paths.removeDuplicates();
        QCOMPARE(column(folders, 1), paths);
        QCOMPARE(folders.first(), QStringList({u"*"_qs, u"-CD_1- E:\\"_qs, u"----"_qs, u"----"_qs, u"----"_qs}));
        QString why;
        QVERIFY2(sameRows(folders, rowsOf(cat, literal::compoundSearch(s)), 1, false, why),
                 qPrintable(why));
    }

    void captionText()
    {
        const auto view = queries::compoundSearchView(search(
            QStringLiteral("*e*"), QStringLiteral("-O'Brien- *"), {kJatek, kRock}, {kDefault}));
        QCOMPARE(view.caption,
                 QStringLiteral("Programnév: *e* Út: -O'Brien- *,Prg.kulcs: Játék, Rock 'n' "
                                "roll. Út kulcs: Általános."));
        QCOMPARE(
            queries::compoundSearchView(search(QStringLiteral("*"), QStringLiteral("*"), {}, {}))
                .caption,
            QStringLiteral("Programnév: * Út: *,Prg.kulcs: . Út kulcs: ."));
    }

    // Every combination of patterns, keywords and orientation gives the rows
    // of the statement as it was always written.
    void compoundSearchAsLiteral_data()
    {
        QTest::addColumn<int>("schema");
        QTest::newRow("template") << int(Schema::Template);
        QTest::newRow("older indexes") << int(Schema::OldIndexes);
        QTest::newRow("equal paths") << int(Schema::EqualPaths);
    }
    void compoundSearchAsLiteral()
    {
        QFETCH(int, schema);
        const QString cat =
            makeCatalog(m_dir, QStringLiteral("compound%1.mdb").arg(schema), Schema(schema));
        fillMixed(cat, Schema(schema));
        const store::Database db = store::Database::open(cat);
        int nonEmpty = 0;
        for (const QString& name : kNames)
            for (const QString& path : kPaths)
                for (const QStringList& files : kFileChoices)
                    for (const QStringList& folders : kFolderChoices)
                        for (bool paths : {false, true}) {
                            // The folder form shares its tests with the file form; fewer patterns
                            // do.
                            if (paths && (kNames.indexOf(name) % 2 || kPaths.indexOf(path) % 2))
                                continue;
                            const CompoundSearch s = search(name, path, files, folders, paths);
                            const auto view = queries::compoundSearchView(s);
                            const Rows ours = rowsOf(db, view.source);
                            const Rows theirs = rowsOf(db, literal::compoundSearch(s));
                            const bool base = view.source.sql.contains(
                                u"EXISTS (SELECT 1 FROM prgnev p WHERE p.utid = u1.id)");
                            QString why;
                            const QString what = QStringList{name,
                                                             path,
                                                             files.join(u','),
                                                             folders.join(u','),
                                                             paths ? u"paths"_qs : u"files"_qs,
                                                             why}
                                                     .join(u" / ");
                            QVERIFY2(sameRows(ours, theirs, 1, !base, why), qPrintable(what + why));
                            QVERIFY2(countsItsRows(db, view.source, ours.size()), qPrintable(what));
                            nonEmpty += !ours.isEmpty() && ours.size() < 17;
                        }
        QVERIFY2(nonEmpty > 250, qPrintable(QString::number(nonEmpty)));
    }

    void conditionSearchAsLiteral_data() { compoundSearchAsLiteral_data(); }
    void conditionSearchAsLiteral()
    {
        QFETCH(int, schema);
        const QString cat =
            makeCatalog(m_dir, QStringLiteral("condition%1.mdb").arg(schema), Schema(schema));
        fillMixed(cat, Schema(schema));
        const store::Database db = store::Database::open(cat);
        int nonEmpty = 0;
        for (const QString& name : kNames)
            for (const QString& path : kPaths)
                for (const QStringList& files : kFileChoices) {
                    const Condition c{name, path, choice(kFileKeys, files)};
                    const auto ours = queries::conditionSearch(Subject::filesSubject(), c);
                    QCOMPARE(ours.has_value(), !files.isEmpty());
                    if (!ours)
                        continue;
                    const Rows rows = rowsOf(db, *ours);
                    QString why;
                    const QString what = QStringList{name, path, files.join(u',')}.join(u" / ");
                    QVERIFY2(
                        sameRows(rows,
                                 rowsOf(db, *literal::conditionSearch(Subject::filesSubject(), c)),
                                 1, true, why),
                        qPrintable(what + why));
                    QVERIFY2(countsItsRows(db, *ours, rows.size()), qPrintable(what));
                    nonEmpty += !rows.isEmpty();
                }
        for (const QString& path : kPaths)
            for (const QStringList& folders : kFolderChoices) {
                const Condition c{QStringLiteral("*"), path, choice(kFolderKeys, folders)};
                const auto ours = queries::conditionSearch(Subject::foldersSubject(), c);
                QCOMPARE(ours.has_value(), !folders.isEmpty());
                if (!ours)
                    continue;
                const Rows rows = rowsOf(db, *ours);
                QString why;
                const QString what = path + QStringLiteral(" / ") + folders.join(u',');
                QVERIFY2(
                    sameRows(rows,
                             rowsOf(db, *literal::conditionSearch(Subject::foldersSubject(), c)), 0,
                             true, why),
                    qPrintable(what + why));
                nonEmpty += !rows.isEmpty();
            }
        QVERIFY2(nonEmpty > 60, qPrintable(QString::number(nonEmpty)));
    }

    // Two folder rows with one path and a file of one name in each: their
    // links are counted file by file, never added up into one row.
    void filesAreNeverMerged()
    {
        const QString cat = makeCatalog(m_dir, QStringLiteral("merge.mdb"), Schema::EqualPaths);
        {
            Writer w(cat);
            const qint64 a = w.fileKeyword(kJatek), b = w.fileKeyword(kZene);
            w.file(w.folder(QStringLiteral("-X- E:\\A")), QStringLiteral("F.EXE"), {1, a});
            w.file(w.folder(QStringLiteral("-X- E:\\A")), QStringLiteral("F.EXE"), {1, b});
        }
        const QStringList entries{kDefault, kJatek, kZene};
        auto rows = [&](const QStringList& chosen) {
            return rowsOf(cat, *queries::conditionSearch(Subject::filesSubject(),
                                                         {QStringLiteral("*"), QStringLiteral("*"),
                                                          choice(entries, chosen)}));
        };
        QCOMPARE(rows({kJatek, kZene}).size(), 0);
        QCOMPARE(column(rows({kJatek}), 5), QStringList{QStringLiteral("1")});
        QCOMPARE(column(rows({kDefault}), 5),
                 QStringList({QStringLiteral("1"), QStringLiteral("2")}));
    }

    void olderCatalogsGainTheLinkIndexes()
    {
        const QString cat = makeCatalog(m_dir, QStringLiteral("old.mdb"), Schema::OldIndexes);
        fillMixed(cat, Schema::OldIndexes);
        const auto view = queries::compoundSearchView(
            search(QStringLiteral("*"), QStringLiteral("*"), {kJatek, kRock}, {kCdRom}));
        const Rows before = rowsOf(cat, view.source);
        QCOMPARE(before.size(), 3);
        {
            store::Database db = store::Database::open(cat);
            QVERIFY(!queries::hasLinkIndexes(db));
            queries::addLinkIndexes(db);
            QVERIFY(queries::hasLinkIndexes(db));
            QCOMPARE(
                db.scalar(QStringLiteral(
                              "SELECT group_concat(name) FROM (SELECT name FROM sqlite_master "
                              "WHERE type = 'index' AND tbl_name LIKE '*kulcsid' ORDER BY name)"))
                    .toString(),
                QStringLiteral(
                    "nev_kulcsid_id_kulcsid,nev_kulcsid_kulcsid_id,sqlite_autoindex_ut_kulcsid_1,"
                    "ut_kulcsid_kulcsid_id"));
            queries::addLinkIndexes(db); // nothing more to do
        }
        QCOMPARE(rowsOf(cat, view.source), before);
        store::Database fresh = store::Database::open(TestSupport::templateFile());
        QVERIFY(queries::hasLinkIndexes(fresh));
    }

    void keywordListsStartWithTheDefault()
    {
        const QString cat = makeCatalog(m_dir, QStringLiteral("order.mdb"));
        Writer w(cat);
        w.fileKeyword(QStringLiteral("Aaa"));
        w.folderKeyword(QStringLiteral("Aaa"));
        QCOMPARE(keywordTexts(w.db(), Subject::filesSubject()),
                 QStringList({kDefault, QStringLiteral("Aaa")}));
        QCOMPARE(keywordTexts(w.db(), Subject::foldersSubject()),
                 QStringList({kDefault, QStringLiteral("Aaa")}));
    }

    void defaultKeywordOnlyAlone_data()
    {
        QTest::addColumn<QList<bool>>("clicked");
        QTest::addColumn<QList<bool>>("kept");
        // clang-format off
        QTest::newRow("default alone") << QList<bool>{true, false, false}  << QList<bool>{true, false, false};
        QTest::newRow("second added")  << QList<bool>{true, true, false}   << QList<bool>{false, true, false};
        QTest::newRow("others only")   << QList<bool>{false, true, true}   << QList<bool>{false, true, true};
        QTest::newRow("empty list")    << QList<bool>{}                    << QList<bool>{};
        // clang-format on
    }
    void defaultKeywordOnlyAlone()
    {
        QFETCH(QList<bool>, clicked);
        QFETCH(QList<bool>, kept);
        QCOMPARE(queries::applyDefaultRule(clicked), kept);
    }

    // A keyed search never walks a keyword's links once per record, and never
    // reads a whole table other than the folders' path index, on either index layout.
    void plansStayLinear()
    {
        for (Schema schema : {Schema::Template, Schema::OldIndexes}) {
            const QString cat =
                makeCatalog(m_dir, QStringLiteral("plan%1.mdb").arg(int(schema)), schema);
            store::Database db = store::Database::open(cat);
            QList<queries::RecordSource> sources;
            for (const QStringList& files :
                 {QStringList{kDefault}, QStringList{kJatek}, QStringList{kJatek, kRock},
                  QStringList{kDefault, kRock}})
                for (bool paths : {false, true})
                    sources << queries::compoundSearchView(search(QStringLiteral("*e*"),
                                                                  QStringLiteral("*"), files,
                                                                  {kCdRom}, paths))
                                   .source;
            for (const QStringList& chosen : {QStringList{kDefault}, QStringList{kJatek}})
                sources << *queries::conditionSearch(
                    Subject::filesSubject(),
                    {QStringLiteral("*"), QStringLiteral("*"), choice(kFileKeys, chosen)});
            for (const QStringList& chosen : {QStringList{kDefault}, QStringList{kCdRom}})
                sources << *queries::conditionSearch(
                    Subject::foldersSubject(),
                    {QStringLiteral("*"), QStringLiteral("*"), choice(kFolderKeys, chosen)});
            static const QRegularExpression wholeTable(
                QStringLiteral("^SCAN (?!u1 USING COVERING INDEX|k$|.* VIRTUAL TABLE )"));
            static const QRegularExpression perKeyword(
                QStringLiteral("SEARCH [ld] USING .*\\(kulcsid="));
            for (const auto& source : sources) {
                store::Statement plan =
                    db.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + source.sql);
                plan.bindAll(source.params);
                while (plan.step()) {
                    const QString line = plan.value(3).toString();
                    QVERIFY2(!wholeTable.match(line).hasMatch() &&
                                 !perKeyword.match(line).hasMatch(),
                             qPrintable(line + QStringLiteral(" in ") + source.sql));
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestSearchViews)
#include "test_searchviews.moc"
