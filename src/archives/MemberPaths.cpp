#include "MemberPaths.h"

#include "platform/FileNames.h"
#include "platform/FolderListing.h"

#include <algorithm>
#include <deque>

namespace archives {

namespace {

const QString kClimb = QStringLiteral("/2E/2E");

// The order of the folder and file lists.
bool listedBefore(const QString& a, const QString& b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : platform::FileName::toBytes(a) < platform::FileName::toBytes(b);
}

QString crcText(const std::optional<quint32>& crc)
{
    if (!crc)
        return {};
    return QStringLiteral("%1").arg(*crc, 8, 16, QLatin1Char('0')).toUpper();
}

QStringList parentOf(QStringList segments)
{
    if (!segments.isEmpty())
        segments.removeLast();
    return segments;
}

} // namespace

QStringList storedSegments(const QByteArray& memberPath)
{
    QStringList out;
    for (const QByteArray& part : memberPath.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        out.append(part == ".." ? kClimb : platform::FileName::fromBytes(part));
    }
    return out;
}

QString storedPath(const QByteArray& memberPath)
{
    return storedSegments(memberPath).join(QLatin1Char('\\'));
}

QByteArray diskName(const QString& segment)
{
    const QByteArray bytes = platform::FileName::toBytes(segment);
    if (bytes.isEmpty() || bytes == "." || bytes == ".." || bytes.contains('/') ||
        bytes.contains('\0')) {
        QString spelled = segment;
        spelled.replace(QLatin1Char('/'), QLatin1Char('%'));
        return spelled.toUtf8();
    }
    return bytes;
}

MemberIndex::MemberIndex(const QList<Member>& members) : m_members(members)
{
    for (qsizetype i = 0; i < members.size(); ++i) {
        QStringList segments = storedSegments(members[i].path);
        const QString path = segments.join(QLatin1Char('\\'));
        if (!m_byPath.contains(path))
            m_byPath.insert(path, i);
        if (members[i].kind == MemberKind::Folder)
            m_folders.insert(path, true);
        for (segments = parentOf(segments); !segments.isEmpty(); segments = parentOf(segments))
            m_folders.insert(segments.join(QLatin1Char('\\')), true);
    }
}

std::optional<qsizetype> MemberIndex::find(const QString& stored) const
{
    const auto it = m_byPath.constFind(stored);
    if (it == m_byPath.constEnd())
        return std::nullopt;
    return *it;
}

bool MemberIndex::isFolder(const QString& stored) const
{
    return stored.isEmpty() || m_folders.contains(stored);
}

std::optional<qsizetype> MemberIndex::resolve(qsizetype link, QStringList* resolvedPath,
                                              int hops) const
{
    QStringList current = parentOf(storedSegments(m_members[link].path));
    std::deque<QByteArray> todo;
    const auto follow = [&](const QByteArray& target) {
        if (target.isEmpty() || target.startsWith('/'))
            return false;
        const QList<QByteArray> parts = target.split('/');
        todo.insert(todo.begin(), parts.begin(), parts.end());
        return true;
    };
    if (!follow(m_members[link].linkTarget))
        return std::nullopt;
    while (!todo.empty()) {
        const QByteArray part = todo.front();
        todo.pop_front();
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (current.isEmpty())
                return std::nullopt;
            current.removeLast();
            continue;
        }
        current.append(platform::FileName::fromBytes(part));
        const auto at = find(current.join(QLatin1Char('\\')));
        if (at && m_members[*at].kind == MemberKind::Link) {
            if (--hops < 0)
                return std::nullopt;
            current.removeLast();
            if (!follow(m_members[*at].linkTarget))
                return std::nullopt;
        }
    }
    if (resolvedPath)
        *resolvedPath = current;
    const QString path = current.join(QLatin1Char('\\'));
    if (const auto at = find(path); at && m_members[*at].kind != MemberKind::Folder)
        return at;
    if (isFolder(path))
        return qsizetype(-1);
    return std::nullopt;
}

QList<ArchiveFolder> memberFolders(const QString& archiveDrivePath, const Listing& listing,
                                   qint64 archiveModified)
{
    struct Node
    {
        QString name;
        QHash<QString, qsizetype> children;
        QList<ArchiveFile> files;
    };
    std::deque<Node> nodes(1);
    const auto folderAt = [&](const QStringList& segments) {
        qsizetype at = 0;
        for (const QString& s : segments) {
            const auto it = nodes[at].children.constFind(s);
            if (it != nodes[at].children.constEnd()) {
                at = *it;
                continue;
            }
            nodes.push_back(Node{s, {}, {}});
            const qsizetype child = qsizetype(nodes.size()) - 1;
            nodes[at].children.insert(s, child);
            at = child;
        }
        return at;
    };

    const QList<Member>& members = listing.members;
    const MemberIndex index(members);
    for (qsizetype i = 0; i < members.size(); ++i) {
        const Member& m = members[i];
        const QStringList segments = storedSegments(m.path);
        if (m.kind == MemberKind::Folder) {
            folderAt(segments);
            continue;
        }
        if (segments.isEmpty() || index.find(segments.join(QLatin1Char('\\'))) != i)
            continue;
        const Member* content = &m;
        if (m.kind == MemberKind::Link) {
            const auto target = index.resolve(i);
            if (!target || *target < 0 || members[*target].kind != MemberKind::File)
                continue;
            content = &members[*target];
        }
        QString date = platform::dateText(content->modified.value_or(archiveModified));
        if (date.isEmpty()) // a year the catalog cannot hold
            date = platform::dateText(archiveModified);
        nodes[folderAt(parentOf(segments))].files.append(
            {segments.last(), content->length, date, crcText(content->crc)});
    }

    // Post-order without recursion: a hostile path may be thousands deep.
    QList<ArchiveFolder> out;
    struct Visit
    {
        qsizetype node;
        QString path;
        QStringList pending; // children not yet visited, in reverse list order
    };
    const auto visitOf = [&](qsizetype node, const QString& path) {
        QStringList names = nodes[node].children.keys();
        std::sort(names.begin(), names.end(), listedBefore);
        std::reverse(names.begin(), names.end());
        return Visit{node, path, names};
    };
    std::vector<Visit> stack;
    stack.push_back(visitOf(0, archiveDrivePath));
    while (!stack.empty()) {
        Visit& top = stack.back();
        if (!top.pending.isEmpty()) {
            const QString name = top.pending.takeLast();
            const qsizetype child = nodes[top.node].children.value(name);
            const QString path = top.path + QLatin1Char('\\') + name;
            stack.push_back(visitOf(child, path));
            continue;
        }
        QList<ArchiveFile> files = std::move(nodes[top.node].files);
        std::stable_sort(files.begin(), files.end(),
                         [](const ArchiveFile& a, const ArchiveFile& b) {
                             return listedBefore(a.name, b.name);
                         });
        out.append({top.path, std::move(files)});
        stack.pop_back();
    }
    return out;
}

} // namespace archives
