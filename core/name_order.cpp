#include "core/name_order.h"

#include <algorithm>
#include <cstdint>
#include <string>

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

}  // namespace

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
