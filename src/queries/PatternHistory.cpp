#include "PatternHistory.h"

namespace queries {

PatternHistory::PatternHistory(Slots& history, int slotBytes) : m_slotBytes(slotBytes)
{
    for (QString& slot : history) {
        slot = slot.trimmed();
        m_entries << slot;
    }
}

void PatternHistory::remember(const QString& pattern)
{
    if (pattern == QLatin1String("*") || pattern.isEmpty())
        return;
    if (m_entries.mid(0, kSlots).contains(pattern))
        return;
    m_entries.prepend(pattern);
}

void PatternHistory::store(Slots& history) const
{
    for (int i = 0; i < kSlots; ++i)
        history[size_t(i)] = cutToBytes(m_entries.value(i), m_slotBytes);
}

QString cutToBytes(const QString& text, int maxBytes)
{
    qsizetype bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const bool pair = text.at(end).isHighSurrogate() && end + 1 < text.size() &&
                          text.at(end + 1).isLowSurrogate();
        const char32_t c =
            pair ? QChar::surrogateToUcs4(text.at(end), text.at(end + 1)) : text.at(end).unicode();
        const int width = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (bytes + width > maxBytes)
            break;
        bytes += width;
        end += pair ? 2 : 1;
    }
    return text.left(end);
}

} // namespace queries
