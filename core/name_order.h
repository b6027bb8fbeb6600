#pragma once

#include <string_view>

namespace rangwerk {

// The order of names for the alphabetical query order: byte by byte in Windows-1252 with a-z
// taken as A-Z; a character that Windows-1252 cannot hold sorts after every one that it can,
// by its code point; a prefix comes before the longer name. Negative, zero or positive.
int CompareNames(std::string_view a, std::string_view b);

}  // namespace rangwerk
