#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>

// CRC-32 of files as the catalog keeps it (zlib's polynomial), read once
// with large reads so a scan with checksums runs near the disk's speed.
namespace platform {

struct FileCrc
{
    enum class State { Read, Unreadable, Vanished, Stopped };
    State state = State::Unreadable;
    std::uint32_t crc = 0;
    qint64 bytes = 0; // read before the end or the failure
    int errnoValue = 0;
};

// Reads the file 'name' of the open folder 'folderFd' (links followed; a
// FIFO or device is refused without waiting) to its end. 'stop' is looked
// at between reads; 'bytesRead' counts up as it goes, for progress.
FileCrc fileCrc(int folderFd, const QByteArray& name, const std::atomic<bool>* stop = nullptr,
                std::atomic<qint64>* bytesRead = nullptr);

// Eight upper-case hexadecimal digits, as prgnev.crc holds them.
QString crcText(std::uint32_t crc);

} // namespace platform
