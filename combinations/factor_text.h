#pragma once

#include <cstdint>
#include <string_view>

namespace rangwerk {

// The factor that the text of the factor field stands for: a whole number (optional sign,
// surrounding blanks allowed) brought into 1..8191, and 1 for any other text.
std::int32_t FactorFromText(std::string_view text);

}  // namespace rangwerk
