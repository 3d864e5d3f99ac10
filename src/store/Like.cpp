#include "Like.h"

#include <QChar>
#include <QHash>
#include <QString>
#include <QVarLengthArray>

#include <algorithm>

namespace store {

namespace {

constexpr char32_t kAnyRun = U'*';
constexpr char32_t kAnyOne = U'?';

// Greedy scan that, on a mismatch, only retries from the most recent '*':
// an earlier '*' can never do better, so this stays O(pattern * text) at worst
// instead of exponential.
template <typename Seq> bool wildcardMatch(const Seq& pattern, const Seq& text)
{
    const qsizetype m = pattern.size();
    const qsizetype n = text.size();
    qsizetype p = 0;
    qsizetype t = 0;
    qsizetype starP = -1;
    qsizetype starT = 0;

    while (t < n) {
        if (p < m && pattern[p] == kAnyRun) {
            starP = p++;
            starT = t;
        } else if (p < m && (pattern[p] == kAnyOne || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < m && pattern[p] == kAnyRun)
        ++p;
    return p == m;
}

using CodePoints = QVarLengthArray<char32_t, 256>;

// One entry per code point, already folded, so '?' spans a whole surrogate pair.
CodePoints foldedCodePoints(QStringView s)
{
    CodePoints out;
    out.reserve(s.size());
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && s[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(s[i], s[i + 1]);
            ++i;
        }
        out.append(QChar::toCaseFolded(c));
    }
    return out;
}

// A byte view whose elements compare as ASCII-folded code points.
struct AsciiFolded
{
    const char* data;
    qsizetype length;

    qsizetype size() const { return length; }
    char32_t operator[](qsizetype i) const
    {
        const auto c = static_cast<unsigned char>(data[i]);
        return (c >= 'A' && c <= 'Z') ? char32_t(c + ('a' - 'A')) : char32_t(c);
    }
};

bool isAscii(const char* s, int len)
{
    for (int i = 0; i < len; ++i) {
        if (static_cast<unsigned char>(s[i]) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

bool likeMatch(QStringView pattern, QStringView text)
{
    return wildcardMatch(foldedCodePoints(pattern), foldedCodePoints(text));
}

bool likeMatchUtf8(const char* pattern, int patternLen, const char* text, int textLen)
{
    // A missing buffer is the engine's empty value.
    if (!pattern || patternLen < 0)
        patternLen = 0;
    if (!text || textLen < 0)
        textLen = 0;

    if (isAscii(pattern, patternLen) && isAscii(text, textLen))
        return wildcardMatch(AsciiFolded{pattern, patternLen}, AsciiFolded{text, textLen});

    return likeMatch(QString::fromUtf8(pattern, patternLen), QString::fromUtf8(text, textLen));
}

QList<char32_t> likeCaseVariants(char32_t c)
{
    // Code points that fold to another one, grouped by what they fold to;
    // about 1 400 groups, worked out once.
    static const QHash<char32_t, QList<char32_t>> foldedFrom = [] {
        QHash<char32_t, QList<char32_t>> groups;
        for (char32_t x = 0; x <= 0x10FFFF; ++x) {
            const char32_t f = QChar::toCaseFolded(x);
            if (f != x)
                groups[f] << x;
        }
        return groups;
    }();
    const char32_t f = QChar::toCaseFolded(c);
    QList<char32_t> out = foldedFrom.value(f);
    out << f;
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace store
