#pragma once

#include <QStringList>
#include <array>

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

// The longest start of 'text' whose UTF-8 form fits 'maxBytes', never ending
// inside a character.
QString cutToBytes(const QString& text, int maxBytes);

} // namespace queries
