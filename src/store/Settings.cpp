#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace store {

namespace {

constexpr int kFlagsOffset = 0;
constexpr int kRefreshOffset = 2;
constexpr int kWindowOffset = 4;
constexpr int kPathLengthOffset = 5;
constexpr int kPathOffset = 7;
constexpr int kNameHistoryBytes = Settings::kHistorySize * Settings::kNamePatternBytes;

// The options block after the record.
constexpr char kOptionsMagic[4] = {'P', 'L', 'C', 'X'};
constexpr char kOptionsVersion = 1;
constexpr int kOptionsFlagsOffset = 5;
constexpr unsigned char kUpdateMediumFlag = 0x01;
constexpr unsigned char kCrcScanFlag = 0x02;
// A copy that knows only the first two flags reads a block with this one as
// no options at all: the record itself stays readable.
constexpr unsigned char kArchiveScanFlag = 0x04;
constexpr unsigned char kKnownFlags = kUpdateMediumFlag | kCrcScanFlag | kArchiveScanFlag;

void decodeOptions(const QByteArray& block, Settings& s)
{
    if (block.size() != Settings::kOptionsSize || !block.startsWith(QByteArray(kOptionsMagic, 4)) ||
        block.at(4) != kOptionsVersion)
        return;
    const auto flags = static_cast<unsigned char>(block.at(kOptionsFlagsOffset));
    if ((flags & ~kKnownFlags) != 0)
        return;
    s.updateMedium = (flags & kUpdateMediumFlag) != 0;
    s.crcScan = (flags & kCrcScanFlag) != 0;
    s.archiveScan = (flags & kArchiveScanFlag) != 0;
}

bool isFlag(qint16 v)
{
    return v == -1 || v == 0;
}

bool isStoredWindowState(quint8 v)
{
    // A minimised window is never stored, so only these two mean anything.
    return v == Settings::kWindowNormal || v == Settings::kWindowMaximized;
}

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The longest prefix of at most maxBytes that does not split a UTF-8 sequence.
QByteArray utf8Prefix(const QString& text, int maxBytes)
{
    QByteArray utf8 = text.toUtf8();
    if (utf8.size() <= maxBytes)
        return utf8;
    qsizetype cut = maxBytes;
    while (cut > 0 && isContinuationByte(utf8.at(cut)))
        --cut;
    utf8.truncate(cut);
    return utf8;
}

void putText(QByteArray& record, int offset, int width, const QString& text)
{
    const QByteArray bytes = utf8Prefix(text, width);
    char* dst = record.data() + offset;
    std::copy(bytes.cbegin(), bytes.cend(), dst);
    std::fill(dst + bytes.size(), dst + width, ' ');
}

// A leading U+FEFF is part of the text (Qt's fromUtf8 would drop it as a byte
// order mark); a sequence cut by the field's end becomes U+FFFD, as any other
// invalid byte does.
QString fromUtf8Field(const char* data, qsizetype bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom |
                                                     QStringDecoder::Flag::Stateless);
    return decoder.decode(QByteArrayView(data, bytes));
}

// Lenient: a field cut short by the end of the data is read as far as it goes.
QString getText(const QByteArray& record, int offset, int width)
{
    qsizetype end = qMin<qsizetype>(offset + width, record.size());
    while (end > offset && (record.at(end - 1) == ' ' || record.at(end - 1) == '\0'))
        --end;
    return fromUtf8Field(record.constData() + offset, end - offset);
}

qint16 readInt16(const QByteArray& record, int offset)
{
    return qFromLittleEndian<qint16>(record.constData() + offset);
}

quint16 readUInt16(const QByteArray& record, int offset)
{
    return qFromLittleEndian<quint16>(record.constData() + offset);
}

void decodeHistories(const QByteArray& record, int start, Settings& s)
{
    for (int i = 0; i < Settings::kHistorySize; ++i) {
        const int offset = start + i * Settings::kNamePatternBytes;
        if (offset < record.size())
            s.namePatterns[i] = getText(record, offset, Settings::kNamePatternBytes);
    }
    for (int i = 0; i < Settings::kHistorySize; ++i) {
        const int offset = start + kNameHistoryBytes + i * Settings::kPathPatternBytes;
        if (offset < record.size())
            s.pathPatterns[i] = getText(record, offset, Settings::kPathPatternBytes);
    }
}

bool ensureFolder(const QString& file)
{
    return QDir().mkpath(QFileInfo(file).absolutePath());
}

} // namespace

Settings defaultSettings(const QString& programFolder)
{
    Settings s;
    s.autoCompact = -1;
    s.contextRefresh = -1;
    s.windowState = Settings::kWindowNormal;
    s.lastCatalog = programFolder + QStringLiteral("/init.plc");
    return s;
}

QByteArray encodeSettings(const Settings& settings)
{
    QByteArray record(Settings::kRecordSize, '\0');
    char* data = record.data();
    qToLittleEndian<qint16>(settings.autoCompact, data + kFlagsOffset);
    qToLittleEndian<qint16>(settings.contextRefresh, data + kRefreshOffset);
    data[kWindowOffset] = static_cast<char>(settings.windowState);

    QByteArray path = settings.lastCatalog.toUtf8();
    // A cut path would name some other file; an empty one makes the next start use the default.
    if (path.size() > Settings::kMaxPathBytes)
        path.clear();
    qToLittleEndian<quint16>(static_cast<quint16>(path.size()), data + kPathLengthOffset);
    std::copy(path.cbegin(), path.cend(), data + kPathOffset);

    const int start = kPathOffset + int(path.size());
    for (int i = 0; i < Settings::kHistorySize; ++i) {
        putText(record, start + i * Settings::kNamePatternBytes, Settings::kNamePatternBytes,
                settings.namePatterns[i]);
        putText(record, start + kNameHistoryBytes + i * Settings::kPathPatternBytes,
                Settings::kPathPatternBytes, settings.pathPatterns[i]);
    }
    // With every later option off the file stays exactly what it always was.
    if (settings.updateMedium || settings.crcScan || settings.archiveScan) {
        record.append(kOptionsMagic, 4);
        record.append(kOptionsVersion);
        record.append(char((settings.updateMedium ? kUpdateMediumFlag : 0) |
                           (settings.crcScan ? kCrcScanFlag : 0) |
                           (settings.archiveScan ? kArchiveScanFlag : 0)));
    }
    return record;
}

Settings decodeSettings(const QByteArray& data, const Settings& defaults)
{
    const QByteArray record = data.left(Settings::kRecordSize);
    Settings s = defaults;
    // Options not written are off, whatever the defaults say.
    s.updateMedium = false;
    s.crcScan = false;
    s.archiveScan = false;
    if (record.size() == Settings::kRecordSize)
        decodeOptions(data.mid(Settings::kRecordSize), s);

    if (record.size() >= kFlagsOffset + 2 && isFlag(readInt16(record, kFlagsOffset)))
        s.autoCompact = readInt16(record, kFlagsOffset);
    if (record.size() >= kRefreshOffset + 2 && isFlag(readInt16(record, kRefreshOffset)))
        s.contextRefresh = readInt16(record, kRefreshOffset);
    if (record.size() > kWindowOffset) {
        const auto window = static_cast<quint8>(record.at(kWindowOffset));
        if (isStoredWindowState(window))
            s.windowState = window;
    }
    if (record.size() < kPathOffset)
        return s;

    // Without a believable length nothing after it can be located.
    const int pathBytes = readUInt16(record, kPathLengthOffset);
    if (pathBytes > Settings::kMaxPathBytes || kPathOffset + pathBytes > record.size())
        return s;
    // An empty path is how a too-long one was stored: fall back to the default catalog.
    if (pathBytes > 0)
        s.lastCatalog = fromUtf8Field(record.constData() + kPathOffset, pathBytes);

    decodeHistories(record, kPathOffset + pathBytes, s);
    return s;
}

QString settingsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/polcozo/Polcozo.ini");
}

Settings readSettings(const QString& file, const QString& programFolder)
{
    const Settings defaults = defaultSettings(programFolder);
    if (!QFileInfo::exists(file)) {
        writeSettings(file, defaults);
        return defaults;
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return defaults;
    return decodeSettings(f.read(Settings::kRecordSize + Settings::kOptionsSize + 1), defaults);
}

bool writeSettings(const QString& file, const Settings& settings)
{
    if (!ensureFolder(file))
        return false;
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray record = encodeSettings(settings);
    if (f.write(record) != record.size()) {
        f.cancelWriting();
        return false;
    }
    // The new record is synced before it replaces the old one; syncing the
    // folder makes the replacement itself outlast a power loss.
    if (!f.commit())
        return false;
    const int folder = ::open(QFile::encodeName(QFileInfo(file).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace store
