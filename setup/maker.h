#pragma once

#include <array>
#include <cstddef>

namespace rangwerk {

namespace maker_detail {

// Joins string literals at compile time into one zero-terminated character array.
template <std::size_t... N>
constexpr auto Join(const char (&... parts)[N]) {
    std::array<char, (N + ...) - sizeof...(N) + 1> joined{};
    std::size_t at = 0;
    for (const char* part : {static_cast<const char*>(parts)...}) {
        while (*part != '\0') {
            joined[at++] = *part++;
        }
    }
    return joined;
}

inline constexpr char kDomain[] = "quarv-software.example";
inline constexpr auto kWebHost = Join("www.", kDomain);
inline constexpr auto kEmail = Join("info@", kDomain);
inline constexpr auto kUrlInfoAbout = Join("http://www.", kDomain, "/Programme.htm");
inline constexpr auto kHelpLink = Join("http://www.", kDomain, "/");

}  // namespace maker_detail

// The maker of the program: its web host and e-mail address, and the two addresses on its web
// site that the uninstall entry names. The info dialog uses the same constants.
inline constexpr const char* kMakerWebHost = maker_detail::kWebHost.data();
inline constexpr const char* kMakerEmail = maker_detail::kEmail.data();
inline constexpr const char* kMakerUrlInfoAbout = maker_detail::kUrlInfoAbout.data();
inline constexpr const char* kMakerHelpLink = maker_detail::kHelpLink.data();

}  // namespace rangwerk
