#include "platform/FileNames.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

// Any bytes as a file name: the stored text gives exactly those bytes back,
// so no two names share a stored text; a plain name is stored unchanged;
// any stored text (from a damaged catalog) can be turned into bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray raw(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString stored = platform::FileName::fromBytes(raw);
    if (platform::FileName::toBytes(stored) != raw)
        std::abort();
    if (platform::FileName::isPlain(raw) && stored.toUtf8() != raw)
        std::abort();
    if (!platform::FileName::isPlain(raw) && stored.toUtf8() == raw && !raw.isEmpty())
        std::abort();
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * 2);
    platform::FileName::toBytes(QString::fromStdU16String(units));
    return 0;
}
