#pragma once

#include <string>

namespace rangwerk {

// The web server that serves the update description and archives: "host" or "host:port".
struct UpdateHost {
    // Empty when the program knows no update host: neither the build nor the environment
    // named one.
    std::string name;
    // True when the environment chose the host (a mirror, a local test server); the check
    // then skips the connection query and lets the request decide. A host built into the
    // program keeps the query.
    bool overridden = false;

    bool Known() const { return !name.empty(); }
    bool operator==(const UpdateHost&) const = default;
};

inline constexpr const char* kUpdateHostVariable = "RANGWERK_UPDATE_HOST";

// The host built into the program by the build setting RANGWERK_UPDATE_HOST; empty when the
// build set none.
const char* BuiltInUpdateHost();

// The host that `environmentValue` (the value of the environment variable RANGWERK_UPDATE_HOST,
// null when unset) names after trimming blanks, else `builtIn` (empty: no host).
UpdateHost ResolveUpdateHost(const char* environmentValue, const std::string& builtIn);

// ResolveUpdateHost with the program's environment and the built-in host.
UpdateHost UpdateHostFromEnvironment();

}  // namespace rangwerk
