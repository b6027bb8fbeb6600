#include "app/file_version.h"

#include "platform/system.h"

#ifdef _WIN32
#include "base/wide_text.h"

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <vector>
#else
#include "app/executable_file.h"
#include "app/program_version_record.h"
#include "app/version_record.h"
#endif

namespace rangwerk {

std::string ReadFileVersion() {
    return ReadFileVersionOf(ProgramPath());
}

#ifdef _WIN32

std::string ReadFileVersionOf(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    const std::wstring file = WideFromUtf8(path);
    SHFILEINFOW shellInfo{};
    if (SHGetFileInfoW(file.c_str(), 0, &shellInfo, sizeof shellInfo, SHGFI_EXETYPE) == 0) {
        return {};
    }
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0) {
        return {};
    }
    std::vector<std::uint8_t> buffer(size, 0);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, buffer.data())) {
        return {};
    }
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(buffer.data(), L"\\VarFileInfo\\Translation", &value, &length) ||
        value == nullptr || length < sizeof(DWORD)) {
        return {};
    }
    DWORD translation = 0;
    std::memcpy(&translation, value, sizeof translation);
    wchar_t query[64];
    std::swprintf(query, 64, L"\\StringFileInfo\\%.4x%.4x\\%ls",
                  static_cast<unsigned>(LOWORD(translation)),
                  static_cast<unsigned>(HIWORD(translation)), L"FileVersion");
    if (!VerQueryValueW(buffer.data(), query, &value, &length) || value == nullptr) {
        return {};
    }
    const auto* text = static_cast<const wchar_t*>(value);
    return Utf8FromWide(std::wstring_view(text, wcsnlen(text, length)));
}

#else

std::string ReadFileVersionOf(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    std::optional<ElfFile> file = ElfFile::Open(path);
    if (!file || !file->IsProgram()) {
        return {};
    }
    const std::optional<std::vector<std::uint8_t> > record =
        file->ReadSection(kVersionRecordSectionName);
    if (!record || record->empty()) {
        return {};
    }
    return FileVersionFromRecord(*record);
}

#endif

}  // namespace rangwerk
