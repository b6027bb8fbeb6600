#include "update/update_host.h"

#include <cstdlib>
#include <string_view>

#include "update/update_built_in_host.h"

namespace rangwerk {

const char* BuiltInUpdateHost() {
    return kBuiltInUpdateHost;
}

UpdateHost ResolveUpdateHost(const char* environmentValue, const std::string& builtIn) {
    if (environmentValue != nullptr) {
        std::string_view value(environmentValue);
        const auto first = value.find_first_not_of(" \t");
        if (first != std::string_view::npos) {
            const auto last = value.find_last_not_of(" \t");
            return {std::string(value.substr(first, last - first + 1)), true};
        }
    }
    return {builtIn, false};
}

UpdateHost UpdateHostFromEnvironment() {
    return ResolveUpdateHost(std::getenv(kUpdateHostVariable), BuiltInUpdateHost());
}

}  // namespace rangwerk
