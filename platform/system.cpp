#include "platform/system.h"

#ifdef _WIN32
#include <windows.h>

#include "base/wide_text.h"
#else
#include <chrono>
#include <filesystem>
#include <string_view>
#include <system_error>
#endif

namespace rangwerk {

#ifdef _WIN32

std::string ProgramPath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);  // truncated: try again with more room
    }
    return Utf8FromWide(buffer);
}

std::uint32_t SystemSeedSource::Seed() {
    LARGE_INTEGER counter;
    if (QueryPerformanceCounter(&counter)) {
        return static_cast<std::uint32_t>(counter.QuadPart & 0xFFFFFFFFu);
    }
    return static_cast<std::uint32_t>(GetTickCount());
}

#else

std::string ProgramPath() {
    std::error_code error;
    // The link names the real file, also when the program was started through PATH.
    std::string path = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (error) {
        return {};
    }
    // When the file has been replaced or removed while the program runs, the kernel appends
    // " (deleted)". The path is still the program's own: a replacement stands under it.
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.size() > kDeleted.size() && path.ends_with(kDeleted) &&
        !std::filesystem::exists(path, error)) {
        path.resize(path.size() - kDeleted.size());
    }
    return path;
}

std::uint32_t SystemSeedSource::Seed() {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ticks) & 0xFFFFFFFFu);
}

#endif

}  // namespace rangwerk
