#include "PatternHistory.h"

#include "shared/MainHost.h"
#include "shared/SharedState.h"

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

void loadHistories(MainHost& host, std::optional<PatternHistory>& names,
                   std::optional<PatternHistory>& paths)
{
    MainHost::PatternSlots nameSlots = host.state().settings.namePatterns;
    MainHost::PatternSlots pathSlots = host.state().settings.pathPatterns;
    names.emplace(nameSlots, store::Settings::kNamePatternBytes);
    paths.emplace(pathSlots, store::Settings::kPathPatternBytes);
    host.setPatternHistories(nameSlots, pathSlots);
}

void storeHistories(MainHost& host, const PatternHistory& names, const PatternHistory& paths)
{
    MainHost::PatternSlots nameSlots = host.state().settings.namePatterns;
    MainHost::PatternSlots pathSlots = host.state().settings.pathPatterns;
    names.store(nameSlots);
    paths.store(pathSlots);
    host.setPatternHistories(nameSlots, pathSlots);
}

} // namespace queries
