#pragma once

#include <QStringList>
#include <array>
#include <optional>

class MainHost;

namespace queries {

// The entries of a pattern drop-down (file names or paths) and the history
// slots of the settings record they come from and go back to. The
// condition dialog and the compound search share the two histories.
class PatternHistory
{
public:
    static constexpr int kSlots = 10;
    using Slots = std::array<QString, kSlots>;

    // Trims every slot of blanks on both sides, stores the trimmed text back
    // and takes the ten slots, empty ones included, as the entries.
    PatternHistory(Slots& history, int slotBytes);

    const QStringList& entries() const { return m_entries; }

    // A pattern that is neither "*" nor empty and is not among the first ten
    // entries goes on top; one already there keeps its place.
    void remember(const QString& pattern);

    // The first ten entries back into the slots, each cut to the slot's byte
    // length on a character boundary (the settings record pads them).
    void store(Slots& history) const;

private:
    QStringList m_entries;
    int m_slotBytes;
};

// The file-name and path histories of the main window's settings, as a
// window loads them (trimmed, and handed back so) and stores them again.
void loadHistories(MainHost& host, std::optional<PatternHistory>& names,
                   std::optional<PatternHistory>& paths);
void storeHistories(MainHost& host, const PatternHistory& names, const PatternHistory& paths);

// The longest start of 'text' whose UTF-8 form fits 'maxBytes', never ending
// inside a character.
QString cutToBytes(const QString& text, int maxBytes);

} // namespace queries
