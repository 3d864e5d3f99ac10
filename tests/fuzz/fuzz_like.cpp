#include "store/Like.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

// The first byte splits the rest into a pattern and a text. The engine's
// entry (with its ASCII fast path) agrees with the text entry, a text
// matches itself as a pattern, and '*' matches everything.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 4096)
        return 0;
    const auto* bytes = reinterpret_cast<const char*>(data + 1);
    const int length = int(size - 1);
    const int split = length ? data[0] % (length + 1) : 0;
    const char* pattern = bytes;
    const char* text = bytes + split;
    const int textLength = length - split;

    const bool utf8 = store::likeMatchUtf8(pattern, split, text, textLength);
    const QString p = QString::fromUtf8(pattern, split);
    const QString t = QString::fromUtf8(text, textLength);
    if (utf8 != store::likeMatch(p, t))
        std::abort();
    if (!store::likeMatch(t, t) || !store::likeMatchUtf8(text, textLength, text, textLength))
        std::abort();
    if (!store::likeMatch(u"*", t) || !store::likeMatch(p + u'*', p + t))
        std::abort();
    return 0;
}
