#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rangwerk {

// The program holds its texts as UTF-8. Windows-1252 appears where bytes are fixed: the
// alphabetical order of names and the single-byte texts of the project file.

// Decodes UTF-8; a malformed sequence yields U+FFFD for each byte it spans.
std::u32string DecodeUtf8(std::string_view utf8);
std::string EncodeUtf8(std::u32string_view text);

// The Windows-1252 byte of a character, or nothing when the set cannot hold it.
std::optional<unsigned char> ToCp1252(char32_t c);
// The character of a Windows-1252 byte (the five unassigned bytes map to C1 controls).
char32_t FromCp1252(unsigned char byte);

std::string Cp1252ToUtf8(std::string_view bytes);
// The Windows-1252 bytes of a UTF-8 text, or nothing when a character cannot be held.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);
// As Utf8ToCp1252, but every character the set cannot hold becomes "?".
std::string Utf8ToCp1252Lossy(std::string_view utf8);

// UTF-16LE bytes (2·n bytes) to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);

// Simple case folding of one character: every letter of Windows-1252 and of the Latin,
// Greek and Cyrillic alphabets to its lower-case form.
char32_t FoldCase(char32_t c);

// The text with every character case-folded: texts that are equal ignoring letter case fold
// to the same text.
std::string FoldCaseText(std::string_view text);

// Whole-text equality ignoring letter case.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

// The order of names for the alphabetical query order: byte by byte in Windows-1252 with a-z
// taken as A-Z; a character that Windows-1252 cannot hold sorts after every one that it can,
// by its code point; a prefix comes before the longer name. Negative, zero or positive.
int CompareNames(std::string_view a, std::string_view b);

}  // namespace rangwerk
