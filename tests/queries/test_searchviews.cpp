#include "LiteralStatements.h"
#include "QueriesFixture.h"
#include "shared/KeywordChoice.h"
#include "queries/LinkIndexes.h"
#include "queries/SearchViews.h"
#include "shared/Subject.h"

#include <QRegularExpression>

using namespace QueriesFixture;
using queries::CompoundSearch;
using queries::Condition;

namespace {

const QStringList kNames{u"*"_qs, u"*e*"_qs,   u"doom*"_qs, u"*'*"_qs,
                         u""_qs,  u"?oom*"_qs, u"*.txt"_qs};
const QStringList kPaths{u"*"_qs, u"-CD_1- *"_qs, u"*games*"_qs, u"*'*"_qs, u""_qs};
const QList<QStringList> kFileChoices{
    {kDefault}, {kJatek}, {kJatek, kRock}, {kJatekLower}, {kDefault, kRock}, {kZene, kJatek, kRock},
    {}};
const QList<QStringList> kFolderChoices{{kDefault}, {kCdRom}, {kCdRom, kGyerek}, {kRegi}, {}};

// The statements order by path alone; files of one folder may come in any
// order. Empty when the rows agree.
QString difference(Rows ours, Rows literal, int pathColumn, bool ordered)
{
    if (ordered && column(ours, pathColumn) != column(literal, pathColumn))
        return u"paths differ: "_qs + column(ours, pathColumn).join(u'|') + u" / "_qs +
               column(literal, pathColumn).join(u'|');
    std::sort(ours.begin(), ours.end());
    std::sort(literal.begin(), literal.end());
    return ours == literal ? QString()
                           : u"rows differ: %1 / %2 rows"_qs.arg(ours.size()).arg(literal.size());
}

CompoundSearch search(const QString& name, const QString& path, const QStringList& files,
                      const QStringList& folders, bool paths = false)
{
    return {name, path, choice(kFileKeys, files), choice(kFolderKeys, folders), paths};
}

Condition condition(const QStringList& entries, const QStringList& chosen,
                    const QString& name = u"*"_qs, const QString& path = u"*"_qs)
{
    return {name, path, choice(entries, chosen)};
}

} // namespace

class TestSearchViews : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString mixed(const QString& name, Schema schema = Schema::Template, bool dense = false)
    {
        const QString cat = makeCatalog(m_dir, name, schema);
        fillMixed(cat, schema);
        if (dense)
            fillDense(cat);
        return cat;
    }

private Q_SLOTS:
    // Trivial searches, and those without file or folder keywords, show the
    // base view whatever their patterns.
    void baseViewWhenTrivialOrAListIsEmpty()
    {
        const QStringList d{kDefault};
        const struct
        {
            CompoundSearch s;
            bool trivial, base;
        } cases[] = {
            {search(u"*"_qs, u"*"_qs, d, d), true, true},
            {search(u""_qs, u"**"_qs, d, d), true, true}, // compared as one joined text
            {search(u"*e*"_qs, u"*"_qs, d, d), false, false},
            {search(u"*"_qs, u"-CD_1- *"_qs, d, d), false, false},
            {search(u"*"_qs, u"*"_qs, {kJatek}, d), false, false},
            {search(u"*"_qs, u"*"_qs, d, {kCdRom}), false, false},
            {search(u"doom*"_qs, u"*"_qs, {}, {kCdRom}), false, true},
            {search(u"doom*"_qs, u"*"_qs, {kJatek}, {}), false, true},
        };
        for (const auto& c : cases) {
            const QString what = c.s.namePattern + u'/' + c.s.pathPattern;
            QVERIFY2(queries::isTrivialSearch(c.s) == c.trivial, qPrintable(what));
            const auto view = queries::compoundSearchView(c.s);
            QVERIFY2((view.source.sql == queries::kBaseView) == c.base, qPrintable(what));
            QVERIFY(!view.baseView && !view.folderList);
        }
    }

    void captionText()
    {
        QCOMPARE(queries::compoundSearchView(
                     search(u"*e*"_qs, u"-O'Brien- *"_qs, {kJatek, kRock}, {kDefault}))
                     .caption,
                 u"Programnév: *e* Út: -O'Brien- *,Prg.kulcs: Játék, Rock 'n' roll. Út kulcs: "
                 "Általános."_qs);
        QCOMPARE(queries::compoundSearchView(search(u"*"_qs, u"*"_qs, {}, {})).caption,
                 u"Programnév: * Út: *,Prg.kulcs: . Út kulcs: ."_qs);
    }

    // Every combination of patterns, keywords and orientation gives the rows
    // of the statement as it was always written, on every catalog shape.
    void searchesAsLiteral_data()
    {
        QTest::addColumn<int>("schema");
        QTest::addColumn<bool>("dense");
        QTest::newRow("template") << int(Schema::Template) << false;
        QTest::newRow("older indexes") << int(Schema::OldIndexes) << false;
        QTest::newRow("equal paths") << int(Schema::EqualPaths) << false;
        // Common keywords: walked in path order where links are unique.
        QTest::newRow("dense") << int(Schema::Template) << true;
        QTest::newRow("dense, equal paths") << int(Schema::EqualPaths) << true;
    }
    void searchesAsLiteral()
    {
        QFETCH(int, schema);
        QFETCH(bool, dense);
        const store::Database db = store::Database::open(
            mixed(u"s%1%2.mdb"_qs.arg(schema).arg(dense), Schema(schema), dense));
        // Our rows against the literal statement's; 'found' counts the searches
        // with rows (fewer than 'cap').
        int compound = 0, conditions = 0;
        const auto check = [&](const queries::RecordSource& ours,
                               const queries::RecordSource& literal, int pathColumn, bool ordered,
                               const QStringList& what, int& found, qsizetype cap) {
            const Rows rows = rowsOf(db, ours);
            const QString why = difference(rows, rowsOf(db, literal), pathColumn, ordered);
            QVERIFY2(why.isEmpty(), qPrintable(what.join(u" / ") + why));
            QVERIFY2(ours.countSql.isEmpty() ||
                         db.scalar(ours.countSql, ours.params).toLongLong() == rows.size(),
                     qPrintable(what.join(u" / ") + u": the count"_qs));
            found += !rows.isEmpty() && rows.size() < cap;
        };
        for (const QString& name : kNames)
            for (const QString& path : kPaths)
                for (const QStringList& files : kFileChoices) {
                    // Fewer patterns on the larger catalogs.
                    if (dense && (kNames.indexOf(name) % 2 || kPaths.indexOf(path) % 2))
                        continue;
                    for (const QStringList& folders : kFolderChoices)
                        for (bool paths : {false, true}) {
                            // The folder form shares its statement with the file form: fewer
                            // patterns do.
                            if (paths && (kNames.indexOf(name) % 2 || kPaths.indexOf(path) % 2))
                                continue;
                            const CompoundSearch s = search(name, path, files, folders, paths);
                            const auto view = queries::compoundSearchView(s);
                            const bool base = view.source.sql.contains(
                                u"EXISTS (SELECT 1 FROM prgnev p WHERE p.utid = u1.id)");
                            check(view.source, literal::compoundSearch(s), 1, !base,
                                  {name, path, files.join(u','), folders.join(u','),
                                   paths ? u"paths"_qs : u"files"_qs},
                                  compound, 17);
                        }
                    const Condition c = condition(kFileKeys, files, name, path);
                    const auto ours = queries::conditionSearch(Subject::filesSubject(), c);
                    QCOMPARE(ours.has_value(), !files.isEmpty());
                    if (ours)
                        check(*ours, *literal::conditionSearch(Subject::filesSubject(), c), 1, true,
                              {name, path, files.join(u',')}, conditions, 1000);
                }
        for (const QString& path : kPaths)
            for (const QStringList& folders : kFolderChoices) {
                const Condition c = condition(kFolderKeys, folders, u"*"_qs, path);
                const auto ours = queries::conditionSearch(Subject::foldersSubject(), c);
                QCOMPARE(ours.has_value(), !folders.isEmpty());
                if (ours)
                    check(*ours, *literal::conditionSearch(Subject::foldersSubject(), c), 0, true,
                          {path, folders.join(u',')}, conditions, 1000);
            }
        if (!dense) {
            QVERIFY2(compound > 250, qPrintable(QString::number(compound)));
            QVERIFY2(conditions > 60, qPrintable(QString::number(conditions)));
        }
    }

    // Two folder rows with one path and a file of one name in each: their
    // links are counted file by file, never added up into one row.
    void filesAreNeverMerged()
    {
        const QString cat = makeCatalog(m_dir, u"merge.mdb"_qs, Schema::EqualPaths);
        {
            Writer w(cat);
            const qint64 a = w.fileKeyword(kJatek), b = w.fileKeyword(kZene);
            w.file(w.folder(u"-X- E:\\A"_qs), u"F.EXE"_qs, {1, a});
            w.file(w.folder(u"-X- E:\\A"_qs), u"F.EXE"_qs, {1, b});
        }
        auto ids = [&](const QStringList& chosen) {
            return column(rowsOf(cat, *queries::conditionSearch(
                                          Subject::filesSubject(),
                                          condition({kDefault, kJatek, kZene}, chosen))),
                          5);
        };
        QCOMPARE(ids({kJatek, kZene}), QStringList{});
        QCOMPARE(ids({kJatek}), QStringList{u"1"_qs});
        QCOMPARE(ids({kDefault}), (QStringList{u"1"_qs, u"2"_qs}));
    }

    void olderCatalogsGainTheLinkIndexes()
    {
        const QString cat = mixed(u"old.mdb"_qs, Schema::OldIndexes);
        const auto view =
            queries::compoundSearchView(search(u"*"_qs, u"*"_qs, {kJatek, kRock}, {kCdRom}));
        const Rows before = rowsOf(cat, view.source);
        QCOMPARE(before.size(), 3);
        {
            store::Database db = store::Database::open(cat);
            QVERIFY(!queries::hasLinkIndexes(db));
            queries::addLinkIndexes(db);
            QVERIFY(queries::hasLinkIndexes(db));
            queries::addLinkIndexes(db); // nothing more to do
        }
        QCOMPARE(rowsOf(cat, view.source), before);
        QVERIFY(queries::hasLinkIndexes(store::Database::open(TestSupport::templateFile())));
    }

    void keywordListsStartWithTheDefault()
    {
        Writer w(makeCatalog(m_dir, u"order.mdb"_qs));
        w.fileKeyword(u"Aaa"_qs);
        w.folderKeyword(u"Aaa"_qs);
        for (const Subject* s : {&Subject::filesSubject(), &Subject::foldersSubject()})
            QCOMPARE(keywordTexts(w.db(), *s), (QStringList{kDefault, u"Aaa"_qs}));
    }

    void defaultKeywordOnlyAlone()
    {
        using L = QList<bool>;
        QCOMPARE(applyDefaultRule(L{true, false, false}), (L{true, false, false}));
        QCOMPARE(applyDefaultRule(L{true, true, false}), (L{false, true, false}));
        QCOMPARE(applyDefaultRule(L{false, true, true}), (L{false, true, true}));
    }

    // A keyed search never walks a keyword's links once per record, and never
    // reads a whole table other than the folders' path index, on either index layout.
    void plansStayLinear()
    {
        static const QRegularExpression wholeTable(
            u"^SCAN (?!u1 USING COVERING INDEX|k$|.* VIRTUAL TABLE |CONSTANT ROW$|ks$|rarest$|"
            "sample$|choice$|f$|\\(subquery-\\d+\\)$)"_qs);
        static const QRegularExpression perKeyword(u"SEARCH [ld] USING .*\\(kulcsid="_qs);
        QList<queries::RecordSource> sources;
        for (const QStringList& files : {QStringList{kDefault}, QStringList{kJatek},
                                         QStringList{kJatek, kRock}, QStringList{kDefault, kRock}})
            for (bool paths : {false, true})
                sources << queries::compoundSearchView(
                               search(u"*e*"_qs, u"*"_qs, files, {kCdRom}, paths))
                               .source;
        for (const QString& key : {kDefault, kJatek})
            sources << *queries::conditionSearch(Subject::filesSubject(),
                                                 condition(kFileKeys, {key}));
        for (const QString& key : {kDefault, kCdRom})
            sources << *queries::conditionSearch(Subject::foldersSubject(),
                                                 condition(kFolderKeys, {key}));
        for (Schema schema : {Schema::Template, Schema::OldIndexes}) {
            const store::Database db = store::Database::open(
                makeCatalog(m_dir, u"plan%1.mdb"_qs.arg(int(schema)), schema));
            for (const auto& source : sources) {
                store::Statement plan = db.prepare(u"EXPLAIN QUERY PLAN "_qs + source.sql);
                plan.bindAll(source.params);
                while (plan.step()) {
                    const QString line = plan.value(3).toString();
                    QVERIFY2(!wholeTable.match(line).hasMatch() &&
                                 !perKeyword.match(line).hasMatch(),
                             qPrintable(line + u" in "_qs + source.sql));
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestSearchViews)
#include "test_searchviews.moc"
