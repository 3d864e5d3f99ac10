#include "RowPath.h"

namespace retrieval {

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

} // namespace

std::optional<RowPath> parseRowPath(const QString& stored)
{
    // "-" label "- " letter ":\" ...: the first "- X:\" closes the label.
    if (!stored.startsWith(u'-'))
        return std::nullopt;
    for (qsizetype at = 1; at + 4 < stored.size(); ++at) {
        if (stored.at(at) != u'-' || stored.at(at + 1) != u' ' ||
            !isAsciiLetter(stored.at(at + 2)) || stored.at(at + 3) != u':' ||
            stored.at(at + 4) != u'\\')
            continue;
        RowPath p;
        p.medium = stored.left(at + 2);
        p.folderPath = stored.mid(at + 4);
        p.folderName = p.folderPath.mid(p.folderPath.lastIndexOf(u'\\') + 1);
        return p;
    }
    return std::nullopt;
}

} // namespace retrieval
