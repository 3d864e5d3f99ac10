#include "store/Settings.h"

#include <QStringDecoder>

#include <cstdint>
#include <cstdlib>

// Any bytes as the settings file: decoding never fails, a path of valid UTF-8
// keeps its bytes, and a record written from what was read reads back the
// same, option block included.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const store::Settings defaults = store::defaultSettings(QStringLiteral("/usr/lib/polcozo"));
    const store::Settings read = store::decodeSettings(bytes, defaults);
    const QByteArray written = store::encodeSettings(read);
    if (written.size() != store::Settings::kRecordSize &&
        written.size() != store::Settings::kRecordSize + store::Settings::kOptionsSize)
        std::abort();
    // Cutting to the field widths may shorten a text once; after that the
    // record is stable.
    const store::Settings again = store::decodeSettings(written, defaults);
    if (store::decodeSettings(store::encodeSettings(again), defaults) != again)
        std::abort();
    if (again.autoCompact != read.autoCompact || again.contextRefresh != read.contextRefresh ||
        again.windowState != read.windowState || again.updateMedium != read.updateMedium ||
        again.crcScan != read.crcScan)
        std::abort();
    // A path of valid UTF-8 is read as exactly those bytes.
    if (size >= 7) {
        const int length = data[5] | data[6] << 8;
        if (length > 0 && length <= store::Settings::kMaxPathBytes && 7 + size_t(length) <= size) {
            const QByteArray path = bytes.mid(7, length);
            QStringDecoder check(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString decoded = check.decode(path); // decoding happens on conversion
            if (!check.hasError() && read.lastCatalog.toUtf8() != path)
                std::abort();
        }
    }
    return 0;
}
