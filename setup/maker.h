#pragma once

#include <string_view>

namespace rangwerk {

// The maker of the program: its web host and e-mail address, and the two addresses on its web
// site that the uninstall entry names. The info dialog uses the same constants.
inline constexpr char kMakerWebHost[] = "www.quarv-software.example";
inline constexpr char kMakerEmail[] = "info@quarv-software.example";
inline constexpr char kMakerUrlInfoAbout[] = "http://www.quarv-software.example/Programme.htm";
inline constexpr char kMakerHelpLink[] = "http://www.quarv-software.example/";

namespace maker_detail {
constexpr bool OnMakerHost(std::string_view url, std::string_view page) {
    constexpr std::string_view scheme = "http://";
    std::string_view host = kMakerWebHost;
    return url.substr(0, scheme.size()) == scheme &&
           url.substr(scheme.size(), host.size()) == host &&
           url.substr(scheme.size() + host.size()) == page;
}
}  // namespace maker_detail

static_assert(maker_detail::OnMakerHost(kMakerUrlInfoAbout, "/Programme.htm"));
static_assert(maker_detail::OnMakerHost(kMakerHelpLink, "/"));
static_assert(std::string_view(kMakerEmail).substr(std::string_view(kMakerEmail).find('@') + 1) ==
              std::string_view(kMakerWebHost).substr(4));

}  // namespace rangwerk
