#pragma once

#include <cstdint>
#include <string>

namespace rangwerk {

// A byte count as a short text with at most one decimal place: "500 Byte", "1,5 KB", "1 MB",
// "10 KB". Units go up to "TB"; larger counts keep more digits. The decimal separator is the
// user's (UTF-8, usually "," or ".").
std::string FormatSize(std::uint64_t bytes, const std::string& decimalSeparator);

}  // namespace rangwerk
