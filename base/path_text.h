#pragma once

#include <string>
#include <string_view>

namespace rangwerk {

// Paths as text, split at the last separator of either kind ("/" or "\"), as paths of both
// systems reach the program (stored project names, the program file, the update's folders).

// The folder of a path with its trailing separator; empty for a bare file name.
inline std::string FolderOfPath(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

// The file name of a path, without its folder.
inline std::string FileNameOfPath(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace rangwerk
