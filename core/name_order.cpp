#include "core/name_order.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/text.h"

namespace rangwerk {

namespace {

// Sort key of one character: Windows-1252 bytes with a-z raised to A-Z, then every other
// character above them by its code point.
std::uint32_t NameSortKey(char32_t c) {
    if (auto b = ToCp1252(c)) {
        unsigned char v = *b;
        if (v >= 'a' && v <= 'z')
            v = static_cast<unsigned char>(v - 0x20);
        return v;
    }
    return 0x100 + static_cast<std::uint32_t>(c);
}

// The keys of one name for the reading order: the sequence of base characters first, then,
// one for each of them, the accent (0 for a plain letter or any other character).
struct ReadingKeys {
    std::vector<std::uint32_t> base;
    std::vector<std::uint32_t> accent;
};

constexpr std::uint32_t kSigns = 0x0000000;
constexpr std::uint32_t kDigits = 0x1000000;
constexpr std::uint32_t kLetters = 0x2000000;
constexpr std::uint32_t kOthers = 0x3000000;

// The base letters of the lower-case Latin-1 letters U+00E0 to U+00FF; empty for the division
// sign.
constexpr const char* kLatin1Bases[32] = {"a", "a", "a", "a", "a", "a", "ae", "c",  //
                                          "e", "e", "e", "e", "i", "i", "i",  "i",  //
                                          "d", "n", "o", "o", "o", "o", "o",  "",   //
                                          "o", "u", "u", "u", "u", "y", "th", "y"};

// The base letters of a folded character of Windows-1252 beyond ASCII; empty for a sign.
std::string_view BaseLetters(char32_t c) {
    if (c >= 0xE0 && c <= 0xFF)
        return kLatin1Bases[c - 0xE0];
    switch (c) {
        case 0xDF:
            return "ss";  // ß
        case 0x161:
            return "s";  // š
        case 0x153:
            return "oe";  // œ
        case 0x17E:
            return "z";  // ž
        default:
            return {};
    }
}

ReadingKeys KeysForReading(std::string_view name) {
    ReadingKeys keys;
    for (char32_t c : DecodeUtf8(name)) {
        c = FoldCase(c);
        if (c >= 'a' && c <= 'z') {
            keys.base.push_back(kLetters + c);
            keys.accent.push_back(0);
        } else if (c >= '0' && c <= '9') {
            keys.base.push_back(kDigits + c);
            keys.accent.push_back(0);
        } else if (const std::string_view letters = BaseLetters(c); !letters.empty()) {
            for (char letter : letters) {
                keys.base.push_back(kLetters + static_cast<unsigned char>(letter));
                keys.accent.push_back(c);
            }
        } else {
            keys.base.push_back((c < 0x100 ? kSigns : kOthers) + c);
            keys.accent.push_back(0);
        }
    }
    return keys;
}

int CompareSequences(const std::vector<std::uint32_t>& x, const std::vector<std::uint32_t>& y) {
    const auto [ix, iy] = std::mismatch(x.begin(), x.end(), y.begin(), y.end());
    if (ix != x.end() && iy != y.end())
        return *ix < *iy ? -1 : 1;
    if (x.size() == y.size())
        return 0;
    return x.size() < y.size() ? -1 : 1;
}

}  // namespace

int CompareNamesForReading(std::string_view a, std::string_view b) {
    const ReadingKeys x = KeysForReading(a);
    const ReadingKeys y = KeysForReading(b);
    if (const int base = CompareSequences(x.base, y.base))
        return base;
    return CompareSequences(x.accent, y.accent);
}

int CompareNames(std::string_view a, std::string_view b) {
    const std::u32string x = DecodeUtf8(a);
    const std::u32string y = DecodeUtf8(b);
    const size_t n = std::min(x.size(), y.size());
    for (size_t i = 0; i < n; ++i) {
        const std::uint32_t kx = NameSortKey(x[i]);
        const std::uint32_t ky = NameSortKey(y[i]);
        if (kx != ky)
            return kx < ky ? -1 : 1;
    }
    if (x.size() == y.size())
        return 0;
    return x.size() < y.size() ? -1 : 1;
}

}  // namespace rangwerk
