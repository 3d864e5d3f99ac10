// libFuzzer target for the catalog's pattern match. The input is a pattern and
// a text separated by the first NUL byte; the byte-level entry point must agree
// with the QString one and with a plain dynamic-programming matcher.
#include "store/Like.h"

#include <QChar>
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <vector>

namespace {

std::vector<char32_t> folded(const QString& s)
{
    std::vector<char32_t> out;
    for (const uint c : s.toUcs4())
        out.push_back(QChar::toCaseFolded(c));
    return out;
}

bool reference(const QString& pattern, const QString& text)
{
    const auto p = folded(pattern);
    const auto t = folded(text);
    // m[j]: the pattern so far matches the first j text characters.
    std::vector<char> m(t.size() + 1, 0);
    m[0] = 1;
    for (char32_t pc : p) {
        std::vector<char> next(t.size() + 1, 0);
        for (size_t j = 0; j <= t.size(); ++j) {
            if (pc == U'*')
                next[j] = m[j] || (j > 0 && next[j - 1]);
            else if (j > 0)
                next[j] = m[j - 1] && (pc == U'?' || pc == t[j - 1]);
        }
        m.swap(next);
    }
    return m[t.size()];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 4096)
        return 0;
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* nul = std::memchr(bytes, 0, size);
    const size_t split = nul ? size_t(static_cast<const char*>(nul) - bytes) : size / 2;
    const char* text = bytes + split + (nul ? 1 : 0);
    const int textLen = int(size - split - (nul ? 1 : 0));

    const bool fast = store::likeMatchUtf8(bytes, int(split), text, textLen);
    const QString p = QString::fromUtf8(bytes, qsizetype(split));
    const QString t = QString::fromUtf8(text, textLen);
    if (fast != store::likeMatch(p, t) || fast != reference(p, t))
        std::abort();
    return 0;
}
