#pragma once

#include <QByteArray>
#include <QString>
#include <array>

namespace store {

// The settings record kept in Polcozo.ini: one fixed 1800-byte record,
// integers little-endian, texts UTF-8 padded with blanks.
//
//   0    int16   automatic compaction (-1 on, 0 off)
//   2    int16   context view refresh (-1 on, 0 off)
//   4    uint8   window state (0 normal, 2 maximised)
//   5    uint16  L, byte length of the last catalog path
//   7    L       last catalog path
//   7+L  10x50   file-name pattern history
//   507+L 10x100 path pattern history
//
// Options that came later follow the record (see kOptionsSize), so an older
// copy, which reads only the record, still reads every field where it was.
struct Settings
{
    static constexpr int kRecordSize = 1800;
    static constexpr int kFixedSize = 1507;
    static constexpr int kMaxPathBytes = kRecordSize - kFixedSize; // 293
    static constexpr int kNamePatternBytes = 50;
    static constexpr int kPathPatternBytes = 100;
    static constexpr int kHistorySize = 10;
    static constexpr quint8 kWindowNormal = 0;
    static constexpr quint8 kWindowMaximized = 2;

    qint16 autoCompact = -1;
    qint16 contextRefresh = -1;
    quint8 windowState = kWindowNormal;
    QString lastCatalog;
    // Held without their padding blanks.
    std::array<QString, kHistorySize> namePatterns;
    std::array<QString, kHistorySize> pathPatterns;

    // The builder: update a medium already recorded; compute CRC-32 checksums.
    bool updateMedium = false;
    bool crcScan = false;
    // The builder records the members of archives.
    bool archiveScan = false;
    // After the record: "PLCX", a version byte, a flag byte.
    static constexpr int kOptionsSize = 6;

    bool operator==(const Settings&) const = default;
};

// The defaults of a first start: the last catalog is the template beside the program.
Settings defaultSettings(const QString& programFolder);

// kRecordSize bytes, followed by kOptionsSize more when an option after the
// record is on. A path longer than kMaxPathBytes cannot be kept
// and is written as empty, so the next start falls back to the default catalog.
QByteArray encodeSettings(const Settings& settings);

// Whatever cannot be read (a short, long or garbage record) takes its value from defaults.
Settings decodeSettings(const QByteArray& record, const Settings& defaults);

// ~/.config/polcozo/Polcozo.ini (the per-user configuration folder).
QString settingsFilePath();

// Reads the settings file; when it is missing, writes one with the defaults.
// Never throws: an unreadable file gives the defaults.
Settings readSettings(const QString& file, const QString& programFolder);

// Writes the record, replacing the file atomically. False when it cannot be written.
bool writeSettings(const QString& file, const Settings& settings);

} // namespace store
