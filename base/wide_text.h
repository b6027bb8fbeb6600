#pragma once

// The Windows wide text (UTF-16 in wchar_t) that the W functions of the system take and give.

#ifdef _WIN32

#include <string>
#include <string_view>

namespace rangwerk {

// Both directions replace a malformed sequence with U+FFFD; an empty text, or one the system
// cannot convert at all, gives an empty result. Embedded zeros are converted like any other
// character, so a caller that passes the result on as a C string ends it at the first one.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

}  // namespace rangwerk

#endif
