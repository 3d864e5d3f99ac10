#include "CatalogSearch.h"

#include "platform/ErrorNumbers.h"
#include "queries/SearchViews.h"
#include "shared/KeywordChoice.h"
#include "shared/Module1.h"
#include "shared/Subject.h"
#include "shared/Version.h"
#include "store/CatalogFiles.h"
#include "store/CellFormat.h"
#include "store/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <algorithm>
#include <set>
#include <sqlite3.h>
#include <sys/stat.h>
#include <utility>

namespace cli {

namespace {

const QString kProgram = QStringLiteral("polcozo-keres");

void say(Output& err, const QString& text)
{
    err.write((kProgram + QStringLiteral(": ") + text + QLatin1Char('\n')).toUtf8());
    err.flush();
}

// A catalog of the old program's engine starts with its signature.
bool isJetCatalog(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(19);
    return head.size() == 19 && head.at(0) == 0 &&
           (head.mid(4) == "Standard Jet DB" || head.mid(4) == "Standard ACE DB");
}

// Why a catalog cannot be searched, in the user's words.
QString openFailure(const platform::Error& e, int busyTimeoutMs)
{
    namespace err = platform::err;
    // A write the window left unfinished is undone by the next connection
    // that may write; a reader cannot.
    if (e.engineCode() == SQLITE_READONLY_ROLLBACK)
        return QStringLiteral("a katalógusban félbemaradt írás nyoma van ! Nyissa meg egyszer "
                              "a programablakban, az helyreállítja.");
    switch (e.engineCode() & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("a katalógust egy másik program zárolja, %1 másodperc várakozás "
                              "után sem olvasható ! Próbálja újra később.")
            .arg(QLocale().toString(busyTimeoutMs / 1000.0, 'g', 3));
    case SQLITE_CORRUPT:
        return QStringLiteral("a katalógus sérült ! Nyissa meg a programablakban, vagy "
                              "használja a mentését.");
    case SQLITE_NOTADB:
        return QStringLiteral("ez nem katalógus (ismeretlen adatbázis) !");
    default:
        break;
    }
    switch (e.number()) {
    case err::FileNotFound:
    case err::PathNotFound:
    case err::BadFileName:
        return QStringLiteral("a katalógus nem található !");
    case err::PermissionDenied:
        return QStringLiteral("hozzáférés megtagadva !");
    case err::PathFileAccess:
        return QStringLiteral("ez nem fájl, nem lehet katalógus !");
    case err::NotADatabase:
        return QStringLiteral("ez nem katalógus (ismeretlen adatbázis) !");
    case err::TableNotFound:
        return QStringLiteral("ez nem katalógus, hiányzik belőle egy tábla !");
    default:
        return QStringLiteral("a katalógus nem olvasható: ") + platform::engineReason(e);
    }
}

struct Catalog
{
    QString path;
    store::Database db;
    QStringList fileEntries;
    QStringList folderEntries;
};

// Opens a catalog only for reading, after the checks the window makes
// before it opens one; the failure's text when it cannot be searched.
QString openCatalog(Catalog& c, int busyTimeoutMs)
{
    try {
        store::checkRegularFile(c.path);
        if (store::isTemplateName(c.path))
            return QStringLiteral("ez a program üres sablonja, nem katalógus !");
        if (isJetCatalog(c.path))
            return QStringLiteral("ez a régi program (Jet) katalógusa ! Előbb nyissa meg a "
                                  "programablakban (Megnyitás), az átalakítja, majd az "
                                  "átalakítottban keressen.");
        c.db = store::Database::openReadOnly(c.path, busyTimeoutMs);
        store::checkCatalog(c.db);
        c.fileEntries = keywordTexts(c.db, Subject::filesSubject());
        c.folderEntries = keywordTexts(c.db, Subject::foldersSubject());
    } catch (const platform::Error& e) {
        c.db.close();
        return openFailure(e, busyTimeoutMs);
    }
    return {};
}

// The keyword list with the given texts selected, as the search window
// would have them; none when the catalog lacks one of them (then no file
// of it can carry them all).
std::optional<KeywordChoice> choiceOf(const QStringList& entries, const QStringList& wanted)
{
    if (wanted.isEmpty())
        return KeywordChoice::defaultOnly(entries);
    QList<bool> selected(entries.size(), false);
    for (const QString& text : wanted) {
        const qsizetype at = entries.indexOf(text);
        if (at < 0)
            return std::nullopt;
        selected[at] = true;
    }
    return KeywordChoice{entries, applyDefaultRule(selected)};
}

// The conditions the search statements do not hold, tested row by row.
struct RowFilter
{
    std::optional<QString> medium; // case-folded
    std::optional<qint64> minLength;
    std::optional<qint64> maxLength;
    QString dateFrom; // "YYYY-MM-DD", empty: none
    QString dateTo;

    explicit RowFilter(const Options& o)
        : minLength(o.minLength), maxLength(o.maxLength),
          dateFrom(o.dateFrom ? o.dateFrom->toString(Qt::ISODate) : QString()),
          dateTo(o.dateTo ? o.dateTo->toString(Qt::ISODate) : QString())
    {
        if (o.medium)
            medium = o.medium->toCaseFolded();
    }

    bool any() const
    {
        return medium || minLength || maxLength || !dateFrom.isEmpty() || !dateTo.isEmpty();
    }

    bool passes(const FoundRow& row) const
    {
        if (medium && Module1::mediumLabel(row.path.toString()).toCaseFolded() != *medium)
            return false;
        if (minLength || maxLength) {
            bool number = false;
            const qint64 length = row.length.toString().toLongLong(&number);
            if (!number || (minLength && length < *minLength) || (maxLength && length > *maxLength))
                return false;
        }
        if (!dateFrom.isEmpty() || !dateTo.isEmpty()) {
            if (row.date.isNull())
                return false;
            const QString day = row.date.toString().left(10);
            if ((!dateFrom.isEmpty() && day < dateFrom) || (!dateTo.isEmpty() && day > dateTo))
                return false;
        }
        return true;
    }
};

QString lastCatalogOf(const QString& settingsFile)
{
    QFile f(settingsFile);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return store::decodeSettings(f.read(store::Settings::kRecordSize), store::Settings{})
        .lastCatalog.trimmed();
}

} // namespace

QStringList resolveCatalogs(const QStringList& given, QStringList& problems)
{
    QStringList paths;
    std::set<std::pair<dev_t, ino_t>> seen;
    QSet<QString> unseen; // files that cannot be looked at are kept once by name
    const auto add = [&](const QString& path) {
        struct stat st
        {
        };
        if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
            if (!seen.insert({st.st_dev, st.st_ino}).second)
                return;
        } else {
            const QString absolute = QFileInfo(path).absoluteFilePath();
            if (unseen.contains(absolute))
                return;
            unseen.insert(absolute);
        }
        paths << path;
    };
    for (const QString& item : given) {
        const QFileInfo info(item);
        if (!info.isDir()) {
            add(item);
            continue;
        }
        QDir folder(item);
        folder.setNameFilters({QStringLiteral("*.mdb")});
        folder.setFilter(QDir::Files | QDir::Hidden); // case-insensitive: *.MDB too
        QStringList sorted = folder.entryList();
        std::sort(sorted.begin(), sorted.end());
        int added = 0;
        for (const QString& name : sorted) {
            add(QDir(item).filePath(name));
            ++added;
        }
        if (added == 0)
            problems << item + QStringLiteral(": a mappában nincs katalógus (*.mdb) !");
    }
    return paths;
}

int run(const QStringList& arguments, const Environment& env, Output& out, Output& err)
{
    const Parsed parsed = parseArguments(arguments);
    if (!parsed.error.isEmpty()) {
        say(err, parsed.error);
        err.write(QByteArrayLiteral("Segítség: polcozo-keres --help\n"));
        return kFailed;
    }
    const Options& o = parsed.options;
    if (o.help) {
        out.write(helpText().toUtf8());
        return kFound;
    }
    if (o.version) {
        out.write((kProgram + QLatin1Char(' ') + Version::plain() + QLatin1Char('\n')).toUtf8());
        return kFound;
    }

    QStringList given = o.catalogs;
    if (given.isEmpty()) {
        const QString last = lastCatalogOf(env.settingsFile);
        if (last.isEmpty()) {
            say(err, QStringLiteral("nincs megadva katalógus (--katalogus), és a programablak "
                                    "beállításai (%1) sem neveznek meg egyet !")
                         .arg(env.settingsFile));
            return kFailed;
        }
        given << last;
    }

    bool failed = false;
    QStringList problems;
    const QStringList paths = resolveCatalogs(given, problems);
    for (const QString& p : problems)
        say(err, p);
    failed = !problems.isEmpty();
    const bool several = paths.size() > 1;

    std::vector<Catalog> catalogs;
    catalogs.reserve(size_t(paths.size()));
    for (const QString& path : paths) {
        Catalog c{path, {}, {}, {}};
        const QString failure = openCatalog(c, env.busyTimeoutMs);
        if (!failure.isEmpty()) {
            say(err, path + QStringLiteral(": ") + failure);
            failed = true;
            continue;
        }
        catalogs.push_back(std::move(c));
    }
    if (catalogs.empty())
        return kFailed;

    // A keyword that no catalog knows is a mistyped one, not an empty result.
    const auto unknown = [&catalogs](const QStringList& wanted, QStringList Catalog::*entries) {
        QStringList missing;
        for (const QString& w : wanted) {
            const bool known = std::any_of(catalogs.begin(), catalogs.end(), [&](const Catalog& c) {
                return (c.*entries).contains(w);
            });
            if (!known && !missing.contains(w))
                missing << QLatin1Char('"') + w + QLatin1Char('"');
        }
        return missing;
    };
    const QStringList unknownFile = unknown(o.fileKeywords, &Catalog::fileEntries);
    const QStringList unknownFolder = unknown(o.folderKeywords, &Catalog::folderEntries);
    if (!unknownFile.isEmpty())
        say(err, QStringLiteral("nincs ilyen fájlkulcs: ") +
                     unknownFile.join(QStringLiteral(", ")) + QStringLiteral(" !"));
    if (!unknownFolder.isEmpty())
        say(err, QStringLiteral("nincs ilyen útkulcs: ") +
                     unknownFolder.join(QStringLiteral(", ")) + QStringLiteral(" !"));
    if (!unknownFile.isEmpty() || !unknownFolder.isEmpty())
        return kFailed;

    const RowFilter filter(o);
    qint64 total = 0;
    if (!o.countOnly)
        out.write(formatHeader(o.format, several));
    RowFormatter formatter(o.format, several);
    bool first = true;
    constexpr qsizetype kFlush = 64 * 1024;
    QByteArray buffer;
    for (Catalog& c : catalogs) {
        qint64 found = 0;
        const std::optional<KeywordChoice> files = choiceOf(c.fileEntries, o.fileKeywords);
        const std::optional<KeywordChoice> folders = choiceOf(c.folderEntries, o.folderKeywords);
        try {
            if (files && folders) {
                const queries::SearchView view = queries::compoundSearchView(
                    {o.namePattern, o.pathPattern, *files, *folders, o.folders});
                const queries::RecordSource& source = view.source;
                if (o.countOnly && !filter.any()) {
                    found = c.db.scalar(source.countSql.isEmpty()
                                            ? QStringLiteral("SELECT count(*) FROM (") +
                                                  source.sql + QLatin1Char(')')
                                            : source.countSql,
                                        source.params)
                                .toLongLong();
                } else {
                    store::Statement st = c.db.prepare(source.sql);
                    st.bindAll(source.params);
                    QStringList columns;
                    for (int i = 0; i < st.columnCount(); ++i)
                        columns << st.columnName(i);
                    const int date = store::dateColumn(columns);
                    FoundRow row;
                    row.catalog = c.path;
                    while (st.step()) {
                        row.name = st.value(0);
                        row.path = st.value(1);
                        row.length = st.value(2);
                        row.date = date >= 0 ? st.value(date) : QVariant();
                        if (!filter.passes(row))
                            continue;
                        ++found;
                        if (o.countOnly)
                            continue;
                        formatter.append(buffer, row);
                        // The first row goes out at once; the rest in large writes.
                        if (first || buffer.size() >= kFlush) {
                            out.write(buffer);
                            if (first)
                                out.flush();
                            buffer.clear();
                            first = false;
                        }
                    }
                }
            }
        } catch (const platform::Error& e) {
            out.write(buffer);
            buffer.clear();
            say(err, c.path + QStringLiteral(": ") + openFailure(e, env.busyTimeoutMs));
            failed = true;
        }
        total += found;
        if (o.countOnly && several)
            buffer += QByteArray::number(found) + '\t' + c.path.toUtf8() + '\n';
    }
    if (o.countOnly)
        buffer += QByteArray::number(total) + '\n';
    out.write(buffer);
    out.flush();
    if (failed)
        return kFailed;
    return total > 0 ? kFound : kNothingFound;
}

} // namespace cli
