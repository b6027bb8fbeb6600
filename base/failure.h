#pragma once

#include <stdexcept>
#include <string>

namespace rangwerk {

// A failure the program does not handle itself. The message is German (UTF-8) and is shown
// to the user as it stands in the general error box.
class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace rangwerk
