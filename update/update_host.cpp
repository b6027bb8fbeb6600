#include "update/update_host.h"

#include <cstdlib>
#include <string_view>

#include "setup/maker.h"

namespace rangwerk {

UpdateHost ResolveUpdateHost(const char* environmentValue) {
    if (environmentValue != nullptr) {
        std::string_view value(environmentValue);
        const auto first = value.find_first_not_of(" \t");
        if (first != std::string_view::npos) {
            const auto last = value.find_last_not_of(" \t");
            return {std::string(value.substr(first, last - first + 1)), true};
        }
    }
    return {kMakerWebHost, false};
}

UpdateHost UpdateHostFromEnvironment() {
    return ResolveUpdateHost(std::getenv(kUpdateHostVariable));
}

}  // namespace rangwerk
