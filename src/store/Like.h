#pragma once

#include <QList>
#include <QStringView>

namespace store {

// The catalog's pattern match: '*' any run of characters, '?' exactly one
// character, everything else literal ('%', '_', '[', '\'' included); letters
// compare with Unicode case folding, so á matches Á and ő matches Ő.
bool likeMatch(QStringView pattern, QStringView text);

// Same, on UTF-8 bytes as the engine hands them over; ASCII-only input takes
// a fast path that never builds a QString.
bool likeMatchUtf8(const char* pattern, int patternLen, const char* text, int textLen);

// Every code point the match takes as the letter 'c', 'c' included, ascending.
QList<char32_t> likeCaseVariants(char32_t c);

} // namespace store
