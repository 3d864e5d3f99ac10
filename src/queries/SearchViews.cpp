#include "SearchViews.h"

#include "shared/Subject.h"

namespace queries {

namespace {

// Numbered parameters, each added once and named where it is used.
class Params
{
public:
    QString text(const QString& value)
    {
        // A null text would be bound as NULL, which matches nothing in a way
        // that differs from the empty pattern the user typed.
        return add(value.isNull() ? QStringLiteral("") : value);
    }
    QString number(qint64 value) { return add(value); }
    QString texts(const QStringList& values)
    {
        QStringList marks;
        for (const QString& v : values)
            marks << text(v);
        return marks.join(QLatin1Char(','));
    }
    QVariantList values() const { return m_values; }

private:
    QString add(const QVariant& value)
    {
        m_values << value;
        return QStringLiteral("?%1").arg(m_values.size());
    }
    QVariantList m_values;
};

// The ids of the chosen keywords, looked up by their texts as the lists show them.
QString keywordIds(const Subject& subject, Params& params, const QStringList& texts)
{
    return QStringLiteral("SELECT id FROM %1 WHERE %2 IN (%3)")
        .arg(subject.keywordTable, subject.keywordColumn, params.texts(texts));
}

// Folder rows with equal paths count their links together.
QString folderKeywordTest(Params& params, const QStringList& texts, const QString& folder)
{
    return QStringLiteral("(SELECT count(*) FROM ut u2 CROSS JOIN ut_kulcsid l WHERE u2.ut = %1.ut "
                          "AND l.id = u2.id AND +l.kulcsid IN (%2)) = %3")
        .arg(folder, keywordIds(Subject::foldersSubject(), params, texts),
             params.number(texts.size()));
}

// True when the catalog cannot hold a file's link to a keyword twice (a
// unique index on the file link table's two columns, as new catalogs have).
// Evaluated once per run of a statement.
const QString kUniqueFileLinks =
    QStringLiteral("EXISTS (SELECT 1 FROM pragma_index_list('nev_kulcsid') i WHERE i.\"unique\" "
                   "AND (SELECT count(*) FROM pragma_index_info(i.name)) = 2 "
                   "AND (SELECT count(*) FROM pragma_index_info(i.name) c WHERE c.name IN ('id', "
                   "'kulcsid')) = 2)");

enum class Start
{
    OneKeyword, // one file keyword: walk the folders in path order
    Folders,    // the default keyword among others: the same, testing file by file
    Links,      // several other keywords: start from their links
};

struct FileSearch
{
    QString namePattern;
    QString pathPattern;
    QStringList fileKeywords;   // at least one
    QStringList folderKeywords; // none: no folder test
    Start start;
};

Start startFor(const KeywordChoice& files)
{
    if (files.selectedCount() == 1)
        return Start::OneKeyword;
    return files.isSelected(0) ? Start::Folders : Start::Links;
}

// The files (or, 'pathOriented', their distinct paths) matching both patterns
// that carry every chosen file keyword and whose folder carries every chosen
// folder keyword. 'columns' lists the file columns (p, u1) shown.
//
// With one keyword (the default one is carried by every file) the view may
// hold much of the catalog: the folders are walked in path order through the
// unique path index, so the first rows come at once whatever the view's size.
// A folder's files were recorded together, so their ids lie in one run between
// the folder's smallest and largest; their links are read as that run of the
// (file, keyword) index, and only the files linked to the keyword are read, in
// id order. Where links may repeat, a file's links to the keyword are counted;
// where the catalog keeps them unique, a link found is a link counted once.
// Several keywords together are carried by few files: those are gathered from
// the keywords' own links and put in order.
RecordSource fileSearch(const FileSearch& s, const QString& columns, bool pathOriented)
{
    Params params;
    const QString name = params.text(s.namePattern);
    const QString path = params.text(s.pathPattern);
    QString folderTest;
    if (!s.folderKeywords.isEmpty())
        folderTest = QStringLiteral(" AND ") +
                     folderKeywordTest(params, s.folderKeywords, QStringLiteral("u1"));

    const QString select = pathOriented
                               ? QStringLiteral("SELECT DISTINCT %1 AS nev, u1.ut AS ut, '----' AS "
                                                "hossz, '----' AS crc, '----' AS datum")
                                     .arg(name)
                               : QStringLiteral("SELECT ") + columns;

    QString sql;
    QString count;
    switch (s.start) {
    case Start::OneKeyword: {
        const QString key = QStringLiteral("(SELECT id FROM kulcs WHERE kulcs = %1)")
                                .arg(params.text(s.fileKeywords.first()));
        // The unary plus keeps the engine on the run of file ids: started
        // from the keyword's links instead, every folder would walk them all.
        const QString files = QStringLiteral("nev_kulcsid l CROSS JOIN prgnev p WHERE l.id BETWEEN "
                                             "(SELECT min(id) FROM prgnev WHERE utid = u1.id) "
                                             "AND (SELECT max(id) FROM prgnev WHERE utid = u1.id) "
                                             "AND +l.kulcsid = %1 AND (%2 OR (SELECT count(*) "
                                             "FROM nev_kulcsid d WHERE d.id = l.id AND +d.kulcsid "
                                             "= l.kulcsid) = 1) AND p.id = l.id "
                                             "AND p.utid = u1.id AND p.nev LIKE %3")
                                  .arg(key, kUniqueFileLinks, name);
        sql =
            pathOriented
                ? select + QStringLiteral(" FROM ut u1 WHERE u1.ut LIKE %1%2 AND EXISTS (SELECT 1 "
                                          "FROM %3) ORDER BY 2")
                               .arg(path, folderTest, files)
                : select + QStringLiteral(
                               " FROM ut u1 CROSS JOIN %1 AND u1.ut LIKE %2%3 ORDER BY u1.ut, l.id")
                               .arg(files, path, folderTest);
        // Counted, order does not matter: the keyword's links in file order,
        // each file row read next to the last, its folder looked up in the
        // set of matching folders.
        if (!pathOriented)
            count = QStringLiteral("SELECT count(*) FROM nev_kulcsid l CROSS JOIN prgnev p "
                                   "WHERE l.kulcsid = %1 AND (%2 OR (SELECT count(*) FROM "
                                   "nev_kulcsid d WHERE d.id = l.id AND +d.kulcsid = l.kulcsid) "
                                   "= 1) AND p.id = l.id AND p.nev LIKE %3 AND +p.utid IN "
                                   "(SELECT u1.id FROM ut u1 WHERE u1.ut LIKE %4%5)")
                        .arg(key, kUniqueFileLinks, name, path, folderTest);
        break;
    }
    case Start::Folders:
    case Start::Links: {
        const QString ids = keywordIds(Subject::filesSubject(), params, s.fileKeywords);
        const QString n = params.number(s.fileKeywords.size());
        const auto carries = [&n](const QString& file) {
            return QStringLiteral("(SELECT count(*) FROM nev_kulcsid d WHERE d.id = %1 AND "
                                  "+d.kulcsid IN (SELECT id FROM ks)) = %2")
                .arg(file, n);
        };
        const QString fileTest = carries(QStringLiteral("p.id"));
        // Where links are unique: one seek per chosen keyword, when every
        // chosen text names a keyword of its own.
        const auto carriesOnce = [&n](const QString& file) {
            return QStringLiteral("(SELECT count(*) FROM ks) = %2 AND NOT EXISTS (SELECT 1 FROM ks "
                                  "WHERE NOT EXISTS (SELECT 1 FROM nev_kulcsid d WHERE d.id = %1 "
                                  "AND +d.kulcsid = ks.id))")
                .arg(file, n);
        };
        // The rarest keyword, its links counted through the (keyword, file)
        // index, and how many of its first links' files carry every chosen
        // keyword. The first page (256 rows) comes from the keywords' links
        // only once they are all read, grouped and put in order; walking the
        // folders, after about 256 x files / matches files tested. The walk
        // is chosen when the matches expected times the rarest keyword's links
        // exceed 256 times the files, and where links may repeat, as the
        // plans always were.
        const auto withCounted = [&](const QString& most) {
            return QStringLiteral(
                       "WITH ks(id) AS (%1), rarest(id, n) AS (SELECT id, (SELECT count(*) FROM "
                       "(SELECT 1 "
                       "FROM nev_kulcsid c WHERE c.kulcsid = ks.id LIMIT %5)) AS n FROM ks ORDER "
                       "BY 2 "
                       "LIMIT 1), "
                       "sample(n, hits) AS (SELECT count(*), coalesce(sum(%2), 0) FROM (SELECT "
                       "s.id FROM "
                       "nev_kulcsid s WHERE s.kulcsid = (SELECT id FROM rarest) LIMIT 1000) f), "
                       "choice(uniq, walk) AS MATERIALIZED "
                       "(SELECT u, CASE WHEN u THEN hits * r * r > 256 * sn * m ELSE %3 END FROM "
                       "(SELECT "
                       "%4 AS u, (SELECT hits FROM sample) AS hits, (SELECT n FROM sample) AS sn, "
                       "coalesce((SELECT n FROM rarest), 0) AS r, coalesce((SELECT max(id) FROM "
                       "prgnev), 0) AS m)) ")
                .arg(ids, carriesOnce(QStringLiteral("f.id")),
                     s.start == Start::Folders ? QStringLiteral("1") : QStringLiteral("0"),
                     kUniqueFileLinks, most);
        };
        // Counting each keyword's links costs more than the first page, so
        // the view counts at most a twentieth of the files: above it, the walk
        // pays off when more than 5 120 files in a million carry them all
        // (the sample's share, times the count, squared over the files).
        const QString with =
            withCounted(QStringLiteral("(SELECT coalesce(max(id), 0) / 20 + 1000 FROM prgnev)"));
        // The branch not chosen is given an empty range of its first index
        // (a NULL bound): a condition beside the range would still be tested
        // row by row, and a sorted branch would read all its rows first.
        const QString walkFrom = QStringLiteral("(SELECT CASE WHEN walk THEN '' END FROM choice)");
        // Few files carry them all: gathered from the keywords' links.
        const QString fromGroups =
            QStringLiteral("(SELECT id FROM nev_kulcsid WHERE kulcsid IN (SELECT id FROM ks WHERE "
                           "(SELECT NOT walk FROM choice)) GROUP BY id HAVING "
                           "count(*) = %1) k CROSS JOIN prgnev p CROSS JOIN ut u1 WHERE p.id = "
                           "k.id AND u1.id = p.utid AND p.nev LIKE %2 AND u1.ut LIKE %3%4")
                .arg(n, name, path, folderTest);
        // Each branch comes in order by itself; only the chosen one has rows.
        if (pathOriented) {
            sql = with + select +
                  QStringLiteral(" FROM ut u1 WHERE u1.ut >= %1 AND u1.ut LIKE %2%3 AND EXISTS "
                                 "(SELECT 1 FROM prgnev p WHERE p.utid = u1.id AND p.nev LIKE %4 "
                                 "AND %5) UNION ALL ")
                      .arg(walkFrom, path, folderTest, name, fileTest) +
                  select +
                  QStringLiteral(" FROM %1 ORDER BY 2").arg(fromGroups);
        } else {
            const QString shown = columns.contains(QStringLiteral("AS id"))
                                      ? QStringLiteral("nev, ut, hossz, crc, datum, id")
                                      : QStringLiteral("nev, ut, hossz, crc, datum");
            const QString row = select + QStringLiteral(", p.id AS sorted");
            sql = with + QStringLiteral("SELECT ") + shown + QStringLiteral(" FROM (") + row +
                  QStringLiteral(" FROM ut u1 CROSS JOIN prgnev p WHERE u1.ut >= %1 AND p.utid = "
                                 "u1.id AND u1.ut LIKE %2 AND p.nev LIKE %3%4 AND %5 UNION ALL ")
                      .arg(walkFrom, path, name, folderTest, fileTest) +
                  row +
                  QStringLiteral(" FROM %1 ORDER BY ut, sorted)").arg(fromGroups);
            // Counted from the rarest keyword's links where links are unique,
            // each file's folder looked up in the set of matching folders.
            count =
                withCounted(QStringLiteral("-1")) +
                QStringLiteral("SELECT CASE WHEN (SELECT uniq FROM choice) THEN (SELECT count(*) "
                               "FROM nev_kulcsid k CROSS JOIN prgnev p WHERE k.kulcsid = (SELECT "
                               "id FROM rarest) AND %1 AND p.id = k.id AND p.nev LIKE %2 AND "
                               "+p.utid IN (SELECT u1.id FROM ut u1 WHERE u1.ut LIKE %3%4)) "
                               "ELSE (SELECT count(*) FROM (SELECT 1 FROM ut u1 CROSS JOIN "
                               "prgnev p WHERE u1.ut >= %5 AND p.utid = u1.id AND u1.ut LIKE %3 "
                               "AND p.nev LIKE %2%4 AND %6 UNION ALL SELECT 1 FROM %7)) END")
                    .arg(carriesOnce(QStringLiteral("k.id")), name, path, folderTest, walkFrom,
                         fileTest, fromGroups);
        }
        break;
    }
    }
    return {sql, params.values(), count};
}

const QString kFileColumns =
    QStringLiteral("p.nev AS nev, u1.ut AS ut, p.hossz AS hossz, p.crc AS crc, p.datum AS datum");

QString quotedList(const QStringList& texts)
{
    QStringList quoted;
    for (const QString& t : texts)
        quoted << QLatin1Char('\'') + t + QLatin1Char('\'');
    return quoted.join(QLatin1Char(','));
}

} // namespace

bool isTrivialSearch(const CompoundSearch& search)
{
    const QString fileList = quotedList(search.fileKeywords.selectedTexts());
    const QString folderList = QLatin1Char('(') +
                               quotedList(search.folderKeywords.selectedTexts()) +
                               QStringLiteral(")))");
    return fileList + folderList + QStringLiteral("**") ==
           QLatin1Char('\'') + search.fileKeywords.entries.value(0) + QStringLiteral("'('") +
               search.folderKeywords.entries.value(0) + QStringLiteral("')))") +
               search.namePattern + search.pathPattern;
}

SearchView compoundSearchView(const CompoundSearch& search)
{
    const QStringList fileKeys = search.fileKeywords.selectedTexts();
    const QStringList folderKeys = search.folderKeywords.selectedTexts();

    SearchView view;
    view.baseView = false;
    view.folderList = search.pathOriented;
    view.caption = QStringLiteral("Programnév: ") + search.namePattern + QStringLiteral(" Út: ") +
                   search.pathPattern + QStringLiteral(",Prg.kulcs: ") +
                   fileKeys.join(QStringLiteral(", ")) + QStringLiteral(". Út kulcs: ") +
                   folderKeys.join(QStringLiteral(", ")) + QLatin1Char('.');

    if (isTrivialSearch(search) || fileKeys.isEmpty() || folderKeys.isEmpty()) {
        // Each folder that holds files once, in path order.
        view.source.sql =
            search.pathOriented
                ? QStringLiteral(
                      "SELECT DISTINCT '*' AS nev, u1.ut AS ut, '----' AS hossz, '----' AS crc, "
                      "'----' AS datum FROM ut u1 WHERE EXISTS (SELECT 1 FROM prgnev p "
                      "WHERE p.utid = u1.id) ORDER BY 2")
                : kBaseView;
        return view;
    }
    const FileSearch s{search.namePattern, search.pathPattern, fileKeys, folderKeys,
                       startFor(search.fileKeywords)};
    view.source = fileSearch(s, kFileColumns, search.pathOriented);
    return view;
}

std::optional<RecordSource> conditionSearch(const Subject& subject, const Condition& condition)
{
    const QStringList keys = condition.keywords.selectedTexts();
    if (keys.isEmpty())
        return std::nullopt;
    if (subject.files) {
        const FileSearch s{
            condition.namePattern, condition.pathPattern, keys, {}, startFor(condition.keywords)};
        return fileSearch(s, kFileColumns + QStringLiteral(", p.id AS id"), false);
    }
    // Equal paths are one row, with the smallest id among the rows that carry
    // a chosen keyword.
    Params params;
    const QString path = params.text(condition.pathPattern);
    const QString test = folderKeywordTest(params, keys, QStringLiteral("u1"));
    const QString ids = keywordIds(subject, params, keys);
    const QString sql =
        QStringLiteral("SELECT u1.ut AS ut, u1.id AS id FROM ut u1 WHERE u1.ut LIKE %1 AND %2 "
                       "AND u1.id = (SELECT min(u2.id) FROM ut u2 WHERE u2.ut = u1.ut AND EXISTS "
                       "(SELECT 1 FROM ut_kulcsid l WHERE l.id = u2.id AND +l.kulcsid IN (%3))) "
                       "ORDER BY u1.ut")
            .arg(path, test, ids);
    return RecordSource{sql, params.values()};
}

} // namespace queries
