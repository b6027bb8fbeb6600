#pragma once

#include <string>

namespace rangwerk {

// The web server that serves the update description and archives: "host" or "host:port".
struct UpdateHost {
    std::string name;
    // True when the environment chose the host (a mirror, a local test server); the check
    // then skips the connection query and lets the request decide.
    bool overridden = false;

    bool operator==(const UpdateHost&) const = default;
};

inline constexpr const char* kUpdateHostVariable = "RANGWERK_UPDATE_HOST";

// The maker's host, unless `environmentValue` (the value of RANGWERK_UPDATE_HOST, null when
// unset) holds a host after trimming blanks.
UpdateHost ResolveUpdateHost(const char* environmentValue);

// ResolveUpdateHost with the program's environment.
UpdateHost UpdateHostFromEnvironment();

}  // namespace rangwerk
