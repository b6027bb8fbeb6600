#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace rangwerk {

// The program holds its texts as UTF-8. Windows-1252 appears where bytes are fixed (the
// single-byte texts of the project file, old registry files, the update description), UTF-16LE
// in the registry files and the version record.

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the UTF-8 character at `position` and advances past it. A byte that does not start
// a well-formed sequence (truncated, overlong, a surrogate, above U+10FFFF) gives U+FFFD and
// advances by that one byte, so every malformed byte becomes one U+FFFD. `position` must be
// below text.size().
constexpr char32_t NextUtf8(std::string_view text, std::size_t& position) {
    const auto lead = static_cast<unsigned char>(text[position]);
    if (lead < 0x80) {
        ++position;
        return lead;
    }
    std::size_t length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        c = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        c = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        c = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++position;
        return kReplacementCharacter;
    }
    if (text.size() - position < length) {
        ++position;
        return kReplacementCharacter;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(text[position + k]);
        if ((b & 0xC0) != 0x80) {
            ++position;
            return kReplacementCharacter;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++position;
        return kReplacementCharacter;
    }
    position += length;
    return c;
}

// Number of UTF-16 units of a UTF-8 text (decoded as NextUtf8 does), without a terminator.
constexpr std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    for (std::size_t position = 0; position < utf8.size();) {
        units += NextUtf8(utf8, position) >= 0x10000 ? 2 : 1;
    }
    return units;
}

// Decodes UTF-8; a malformed sequence yields U+FFFD for each byte it spans.
std::u32string DecodeUtf8(std::string_view utf8);
std::string EncodeUtf8(std::u32string_view text);
// Appends one character; surrogates and values above U+10FFFF are written as U+FFFD.
void AppendUtf8(std::string& out, char32_t c);

// Whether every byte belongs to a well-formed UTF-8 sequence.
bool IsValidUtf8(std::string_view text);
// Whether every byte is below 0x80 (the text reads the same in UTF-8 and Windows-1252).
bool IsAscii(std::string_view text);

// The Windows-1252 byte of a character, or nothing when the set cannot hold it.
std::optional<unsigned char> ToCp1252(char32_t c);
// The character of a Windows-1252 byte. The five bytes the set leaves unassigned (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, as Windows maps them, so that
// every byte survives the way to UTF-8 and back.
char32_t FromCp1252(unsigned char byte);

std::string Cp1252ToUtf8(std::string_view bytes);
// The Windows-1252 bytes of a UTF-8 text, or nothing when a character cannot be held.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);
// As Utf8ToCp1252, but every character the set cannot hold becomes "?".
std::string Utf8ToCp1252Lossy(std::string_view utf8);

// UTF-16LE bytes (2·n bytes; an odd last byte is ignored) to UTF-8; unpaired surrogates become
// U+FFFD. Zero units are characters like any other.
std::string Utf16LeToUtf8(std::string_view bytes);
// UTF-8 to UTF-16LE bytes, without a terminator; malformed bytes become U+FFFD.
std::string Utf8ToUtf16Le(std::string_view utf8);

// Simple case folding of one character: every letter of Windows-1252 and of the Latin,
// Greek and Cyrillic alphabets to its lower-case form.
char32_t FoldCase(char32_t c);

// The text with every character case-folded: texts that are equal ignoring letter case fold
// to the same text. Bytes that are no well-formed UTF-8 stay as they are, so texts that differ
// in such bytes never fold to the same text.
std::string FoldCaseText(std::string_view text);

// Whole-text equality ignoring letter case (the same as comparing FoldCaseText of both).
bool EqualIgnoringCase(std::string_view a, std::string_view b);

}  // namespace rangwerk
