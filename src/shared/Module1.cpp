#include "Module1.h"

#include "store/Database.h"

#include <optional>

namespace Module1 {

QString Str(qint64 n)
{
    return n < 0 ? QString::number(n) : QLatin1Char(' ') + QString::number(n);
}

QString Str(float value)
{
    QString digits = QString::number(double(value), 'g', 7).toUpper();
    const bool negative = digits.startsWith(QLatin1Char('-'));
    if (negative)
        digits.remove(0, 1);
    if (digits.startsWith(QStringLiteral("0.")))
        digits.remove(0, 1);
    return (negative ? QLatin1Char('-') : QLatin1Char(' ')) + digits;
}

QString recordCountText(qint64 count)
{
    return Str(count) + QStringLiteral(" DB rekord ");
}

QString selectionCountText(qint64 count)
{
    return Str(count) + QStringLiteral(" DB kijelölve");
}

} // namespace Module1

void Module1::orphanCleanup(store::Database& db, const std::function<void()>& between)
{
    std::optional<store::Transaction> own;
    if (!db.inTransaction())
        own.emplace(db);
    db.exec(kOrphanLinksCleanup);
    if (between)
        between();
    db.exec(kOrphanFoldersCleanup);
    if (own)
        own->commit();
}

QString Module1::mediumPath(const QString& label, const QString& drivePath)
{
    return QLatin1Char('-') + label + QStringLiteral("- ") + drivePath;
}

int Module1::perszam(const QString& text)
{
    return int(text.count(QLatin1Char('\\')));
}

QString Module1::utresz(const QString& text, int n)
{
    qsizetype start = 0;
    for (int i = 0; i < n; ++i) {
        const qsizetype slash = text.indexOf(QLatin1Char('\\'), start);
        if (slash < 0)
            return {};
        start = slash + 1;
    }
    const qsizetype end = text.indexOf(QLatin1Char('\\'), start);
    return text.mid(start, end < 0 ? -1 : end - start);
}

QString Module1::mediumLabel(const QString& path)
{
    const QString medium = utresz(path, 0);
    return medium.size() < 5 ? QString() : medium.mid(1, medium.size() - 5);
}

QString Module1::mediumPattern(const QString& label)
{
    return QLatin1Char('-') + label + QStringLiteral("- *");
}

QString Module1::fileKey(qint64 number)
{
    return Str(number) + QStringLiteral("a ");
}

bool Module1::isFileKey(const QString& key)
{
    return key.endsWith(QStringLiteral("a "));
}

QString Module1::pathPattern(const QString& fullPath)
{
    const qsizetype slash = fullPath.indexOf(QLatin1Char('\\'));
    const QString label = slash < 0 ? fullPath : fullPath.left(slash);
    const QString rest = fullPath.mid(label.size());
    return QLatin1Char('?') + label +
           (rest.startsWith(QLatin1Char('\\')) ? QStringLiteral("? ?:") : QStringLiteral("? ?:\\")) +
           rest;
}

QString Module1::sizeText(qint64 total, const QLocale& locale)
{
    QLocale plain(locale);
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    if (total > 1000000)
        return plain.toString(double(float(double(total) / 1048576.0)), 'f', 2) +
               QStringLiteral(" MByte");
    if (total >= 1024)
        return plain.toString(double(float(double(total) / 1024.0)), 'f', 2) +
               QStringLiteral(" KByte");
    return plain.toString(total) + QStringLiteral(" Byte");
}

#include "Subject.h"
#include "platform/ErrorNumbers.h"
#include "store/Database.h"

#include <QSet>
#include <algorithm>

QStringList Module1::kulcsmutat(const store::Database& db, const Subject& subject,
                                qint64 recordId)
{
    // Table and column names come from the subject, never from the user.
    store::Statement st = db.prepare(
        QStringLiteral("SELECT k.%1 FROM %2 r, %3 l, %4 k WHERE r.id = ?1 AND l.id = r.id "
                       "AND k.id = l.kulcsid ORDER BY k.id")
            .arg(subject.keywordColumn, subject.table, subject.linkTable, subject.keywordTable));
    st.bindInt64(1, recordId);
    QStringList texts;
    while (st.step())
        texts << st.value(0).toString();
    return texts;
}

QList<int> Module1::keywordItems(const QStringList& items, const QStringList& linked)
{
    QList<int> found;
    for (const QString& text : linked) {
        const int at = int(items.indexOf(text));
        if (at >= 0 && !found.contains(at))
            found << at;
    }
    std::sort(found.begin(), found.end());
    return found;
}

void Module1::kulcstarol(store::Database& db, const Subject& subject, qint64 recordId,
                         const QStringList& selected)
{
    store::Transaction transaction(db);
    // Links of a record that is gone would never be shown or removed.
    if (!db.scalar(QStringLiteral("SELECT 1 FROM %1 WHERE id = ?1").arg(subject.table), {recordId})
             .isValid())
        throw platform::Error(platform::err::NoCurrentRecord,
                              QStringLiteral("no record %1").arg(recordId));
    db.exec(QStringLiteral("DELETE FROM %1 WHERE id = ?1").arg(subject.linkTable), {recordId});
    store::Statement link = db.prepare(
        QStringLiteral("INSERT INTO %1 (id, kulcsid) VALUES (?1, ?2)").arg(subject.linkTable));
    link.bindInt64(1, recordId);
    link.bindInt64(2, 1);
    link.run();

    store::Statement lookup =
        db.prepare(QStringLiteral("SELECT id FROM %1 WHERE %2 = ?1")
                       .arg(subject.keywordTable, subject.keywordColumn));
    QSet<qint64> linked{1};
    for (const QString& text : selected) {
        lookup.bindText(1, text);
        if (!lookup.step())
            throw platform::Error(platform::err::ItemNotFound,
                                  QStringLiteral("Nincs ilyen kulcs: ") + text);
        const qint64 keyword = lookup.value(0).toLongLong();
        lookup.reset();
        if (linked.contains(keyword))
            continue;
        linked.insert(keyword);
        link.bindInt64(2, keyword);
        link.run();
    }
    transaction.commit();
}
