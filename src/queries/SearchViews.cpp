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

// A record carries every chosen keyword when its number of links to them is
// the number chosen, links repeated in the catalog counted as often as they
// stand. The unary plus keeps the engine on the record's own links: started
// from a keyword's links instead, the default keyword alone would mean a
// walk through every link for every record.
QString fileKeywordTest(Params& params, const QStringList& texts, const QString& file)
{
    return QStringLiteral(
               "(SELECT count(*) FROM nev_kulcsid l WHERE l.id = %1 AND +l.kulcsid IN (%2)) = %3")
        .arg(file, keywordIds(Subject::filesSubject(), params, texts), params.number(texts.size()));
}

// Folder rows with equal paths count their links together.
QString folderKeywordTest(Params& params, const QStringList& texts, const QString& folder)
{
    return QStringLiteral("(SELECT count(*) FROM ut u2 CROSS JOIN ut_kulcsid l WHERE u2.ut = %1.ut "
                          "AND l.id = u2.id AND +l.kulcsid IN (%2)) = %3")
        .arg(folder, keywordIds(Subject::foldersSubject(), params, texts),
             params.number(texts.size()));
}

// The files that carry every chosen keyword, from those keywords' links.
QString filesCarrying(Params& params, const QStringList& texts)
{
    return QStringLiteral("(SELECT id FROM nev_kulcsid WHERE kulcsid IN (%1) GROUP BY id HAVING "
                          "count(*) = %2)")
        .arg(keywordIds(Subject::filesSubject(), params, texts), params.number(texts.size()));
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
    case Start::Folders: {
        const QString fileTest = fileKeywordTest(params, s.fileKeywords, QStringLiteral("p.id"));
        sql =
            pathOriented
                ? select +
                      QStringLiteral(
                          " FROM ut u1 WHERE u1.ut LIKE %1%2 AND EXISTS (SELECT 1 FROM prgnev p "
                          "WHERE p.utid = u1.id AND p.nev LIKE %3 AND %4) ORDER BY 2")
                          .arg(path, folderTest, name, fileTest)
                : select +
                      QStringLiteral(
                          " FROM ut u1 CROSS JOIN prgnev p WHERE p.utid = u1.id AND u1.ut LIKE %1 "
                          "AND p.nev LIKE %2%3 AND %4 ORDER BY u1.ut, p.id")
                          .arg(path, name, folderTest, fileTest);
        break;
    }
    case Start::Links:
        sql = select +
              QStringLiteral(" FROM %1 k CROSS JOIN prgnev p CROSS JOIN ut u1 WHERE p.id = k.id "
                             "AND u1.id = p.utid AND p.nev LIKE %2 AND u1.ut LIKE %3%4 ORDER BY %5")
                  .arg(filesCarrying(params, s.fileKeywords), name, path, folderTest,
                       pathOriented ? QStringLiteral("2") : QStringLiteral("u1.ut, p.id"));
        break;
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
