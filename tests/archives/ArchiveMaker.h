#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtEndian>

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <sys/stat.h>

// Archives written in the tests through libarchive's writing side.
namespace ArchiveMaker {

struct Entry
{
    QByteArray path;
    QByteArray data;
    char kind = 'f'; // 'f' file, 'd' folder, 'l' symbolic link to 'data'
    qint64 mtime = 1'600'000'000;
};

inline Entry file(const QByteArray& path, const QByteArray& data, qint64 mtime = 1'600'000'000)
{
    return {path, data, 'f', mtime};
}
inline Entry folder(const QByteArray& path)
{
    return {path, {}, 'd'};
}
inline Entry link(const QByteArray& path, const QByteArray& target)
{
    return {path, target, 'l'};
}

// format: "zip", "7zip", "tar", "iso9660"; filter: "", "xz", "gzip";
// options as archive_write_set_options takes them. False when the library
// cannot write it.
inline bool write(const QString& path, const char* format, const char* filter,
                  const QList<Entry>& entries, const char* options = nullptr,
                  const char* passphrase = nullptr)
{
    archive* a = archive_write_new();
    bool ok = archive_write_set_format_by_name(a, format) == ARCHIVE_OK;
    if (ok && *filter)
        ok = archive_write_add_filter_by_name(a, filter) == ARCHIVE_OK;
    if (ok && options)
        ok = archive_write_set_options(a, options) == ARCHIVE_OK;
    if (ok && passphrase)
        ok = archive_write_set_passphrase(a, passphrase) == ARCHIVE_OK;
    ok = ok && archive_write_open_filename(a, path.toLocal8Bit().constData()) == ARCHIVE_OK;
    for (const Entry& e : entries) {
        if (!ok)
            break;
        archive_entry* en = archive_entry_new();
        archive_entry_copy_pathname(en, e.path.constData());
        archive_entry_set_mtime(en, e.mtime, 0);
        if (e.kind == 'd') {
            archive_entry_set_filetype(en, AE_IFDIR);
            archive_entry_set_perm(en, 0755);
        } else if (e.kind == 'l') {
            archive_entry_set_filetype(en, AE_IFLNK);
            archive_entry_set_perm(en, 0777);
            archive_entry_copy_symlink(en, e.data.constData());
        } else {
            archive_entry_set_filetype(en, AE_IFREG);
            archive_entry_set_perm(en, 0644);
            archive_entry_set_size(en, e.data.size());
        }
        ok = archive_write_header(a, en) >= ARCHIVE_WARN;
        if (ok && e.kind == 'f' && !e.data.isEmpty())
            ok = archive_write_data(a, e.data.constData(), size_t(e.data.size())) ==
                 la_ssize_t(e.data.size());
        archive_entry_free(en);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    archive_write_free(a);
    return ok;
}

// A ZIP of stored members, written byte by byte: names may hold anything,
// a NUL too; 'badCrc' spoils the recorded checksums.
inline QByteArray storedZip(const QList<QPair<QByteArray, QByteArray>>& members,
                            bool badCrc = false)
{
    const auto u16 = [](QByteArray& b, quint16 v) {
        b.append(char(v & 0xFF)).append(char(v >> 8));
    };
    const auto u32 = [](QByteArray& b, quint32 v) {
        for (int i = 0; i < 4; ++i)
            b.append(char((v >> (8 * i)) & 0xFF));
    };
    QByteArray out, central;
    for (const auto& [name, data] : members) {
        const quint32 crc =
            quint32(crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size()))) ^
            (badCrc ? 0xFFu : 0u);
        const quint32 offset = quint32(out.size());
        QByteArray common;
        u16(common, 20);     // version needed
        u16(common, 0);      // flags
        u16(common, 0);      // stored
        u16(common, 0);      // time
        u16(common, 0x5021); // date 2020-01-01
        u32(common, crc);
        u32(common, quint32(data.size()));
        u32(common, quint32(data.size()));
        u16(common, quint16(name.size()));
        u16(common, 0); // extra
        u32(out, 0x04034b50);
        out += common + name + data;
        u32(central, 0x02014b50);
        u16(central, 20); // made by
        central += common;
        u16(central, 0); // comment
        u16(central, 0); // disk
        u16(central, 0); // internal attributes
        u32(central, 0); // external attributes
        u32(central, offset);
        central += name;
    }
    const quint32 at = quint32(out.size());
    out += central;
    u32(out, 0x06054b50);
    u16(out, 0);
    u16(out, 0);
    u16(out, quint16(members.size()));
    u16(out, quint16(members.size()));
    u32(out, quint32(central.size()));
    u32(out, at);
    u16(out, 0);
    return out;
}

} // namespace ArchiveMaker
