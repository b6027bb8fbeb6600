#include "platform/oem_text.h"

#include "base/failure.h"

#ifdef _WIN32
#include <windows.h>

#include "base/wide_text.h"
#endif

namespace rangwerk {

namespace {

void RefuseLineBreak(std::string_view utf8) {
    if (utf8.find_first_of("\r\n") != std::string_view::npos) {
        throw Failure("Der Pfad \"" + std::string(utf8) +
                      "\" enthält einen Zeilenumbruch und kann nicht in die Datei "
                      "\"Update.bat\" geschrieben werden.");
    }
}

}  // namespace

#ifdef _WIN32

std::string ToOem(std::string_view utf8) {
    RefuseLineBreak(utf8);
    const std::wstring wide = WideFromUtf8(utf8);
    if (wide.empty()) {
        return {};
    }
    // The Windows ANSI text first, then the console's code page.
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), length,
                        nullptr, nullptr);
    std::string oem(ansi.size(), '\0');
    CharToOemBuffA(ansi.data(), oem.data(), static_cast<DWORD>(ansi.size()));
    return oem;
}

bool OemTextIsUtf8() {
    return false;
}

void CheckUnquotedBatchPath(std::string_view) {}

#else

std::string ToOem(std::string_view utf8) {
    RefuseLineBreak(utf8);
    std::string out;
    out.reserve(utf8.size() + 8);
    for (const char c : utf8) {
        if (c == '$' || c == '`' || c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

bool OemTextIsUtf8() {
    return true;
}

void CheckUnquotedBatchPath(std::string_view utf8) {
    static constexpr std::string_view kLiteral = "/._-+,:@%^=$`\"\\";
    bool previousBlank = false;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        const bool blank = c == ' ';
        const bool ok = (blank && !previousBlank) || byte >= 0x80 || (c >= '0' && c <= '9') ||
                        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        kLiteral.find(c) != std::string_view::npos;
        if (!ok) {
            throw Failure("Der Pfad \"" + std::string(utf8) +
                          "\" enthält Zeichen, die in der Datei \"Update.bat\" nicht sicher "
                          "geschrieben werden können. Bitte wählen Sie einen temporären Ordner "
                          "ohne solche Zeichen.");
        }
        previousBlank = blank;
    }
}

#endif

}  // namespace rangwerk
