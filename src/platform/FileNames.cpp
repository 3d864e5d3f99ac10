#include "FileNames.h"

#include <QStringDecoder>

namespace platform::FileName {

namespace {

constexpr char kEscape = '/';
constexpr char kHex[] = "0123456789ABCDEF";

// Length of the valid UTF-8 sequence at p (0 if none); overlongs, surrogates
// and values past U+10FFFF are invalid.
int utf8Sequence(const uchar* p, const uchar* end, char32_t& cp)
{
    const uchar b = *p;
    cp = b;
    if (b < 0x80)
        return 1;
    const int len = b >= 0xF8 ? 0 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
    constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    cp &= 0x7F >> len;
    if (len == 0 || end - p < len)
        return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

bool needsEscape(uchar b)
{
    return b == '\\' || b == kEscape;
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

} // namespace

bool isPlain(const QByteArray& raw)
{
    const auto* p = reinterpret_cast<const uchar*>(raw.constData());
    const auto* end = p + raw.size();
    char32_t cp;
    while (p < end) {
        if (*p < 0x80) {
            if (needsEscape(*p))
                return false;
            ++p;
            continue;
        }
        const int len = utf8Sequence(p, end, cp);
        if (!len)
            return false;
        p += len;
    }
    return true;
}

QString fromBytes(const QByteArray& raw)
{
    if (isPlain(raw)) {
        // Qt's plain fromUtf8 would drop a leading byte order mark, which in a
        // name is a character like any other.
        if (!raw.startsWith("\xEF\xBB\xBF"))
            return QString::fromUtf8(raw);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return decoder.decode(raw);
    }
    const auto* p = reinterpret_cast<const uchar*>(raw.constData());
    const auto* end = p + raw.size();
    QString out;
    out.reserve(raw.size() + 8);
    char32_t cp;
    while (p < end) {
        const int len = utf8Sequence(p, end, cp);
        if (!len || (len == 1 && needsEscape(*p))) {
            out += QChar(u'/');
            out += QChar(char16_t(kHex[*p >> 4]));
            out += QChar(char16_t(kHex[*p & 0xF]));
            ++p;
        } else {
            if (cp > 0xFFFF) {
                out += QChar(QChar::highSurrogate(cp));
                out += QChar(QChar::lowSurrogate(cp));
            } else {
                out += QChar(char16_t(cp));
            }
            p += len;
        }
    }
    return out;
}

QByteArray toBytes(const QString& stored)
{
    const qsizetype escape = stored.indexOf(QChar(u'/'));
    if (escape < 0)
        return stored.toUtf8();
    QByteArray out = stored.left(escape).toUtf8();
    out.reserve(stored.size() + 8);
    const qsizetype n = stored.size();
    qsizetype runStart = escape;
    qsizetype i = escape;
    while (i < n) {
        if (stored.at(i) == u'/' && i + 2 < n && hexValue(stored.at(i + 1).unicode()) >= 0 &&
            hexValue(stored.at(i + 2).unicode()) >= 0) {
            out += QStringView(stored).mid(runStart, i - runStart).toUtf8();
            out += char(hexValue(stored.at(i + 1).unicode()) * 16 +
                        hexValue(stored.at(i + 2).unicode()));
            i += 3;
            runStart = i;
        } else {
            ++i;
        }
    }
    out += QStringView(stored).mid(runStart).toUtf8();
    return out;
}

} // namespace platform::FileName
