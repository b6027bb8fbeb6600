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
    if (utf8.find('%') != std::string_view::npos) {
        throw Failure("Der Pfad \"" + std::string(utf8) +
                      "\" enthält ein Prozentzeichen, das die Eingabeaufforderung in der Datei "
                      "\"Update.bat\" als Variable lesen würde. Das Update wird deshalb nicht "
                      "installiert.");
    }
    const std::wstring wide = WideFromUtf8(utf8);
    if (wide.empty()) {
        return {};
    }
    const auto cannotHold = [&] {
        return Failure("Der Pfad \"" + std::string(utf8) +
                       "\" enthält Zeichen, die die Eingabeaufforderung nicht kennt: Die Datei "
                       "\"Update.bat\" würde einen anderen Pfad nennen. Das Update wird deshalb "
                       "nicht installiert.");
    };
    // The Windows ANSI text first, then the console's code page. A character that either code
    // page lacks would come out as "?" or as a look-alike, naming another path.
    const int wideLength = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength,
                                           nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) {
        throw cannotHold();
    }
    std::string ansi(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, ansi.data(), length,
                        nullptr, nullptr);
    std::string oem(ansi.size(), '\0');
    CharToOemBuffA(ansi.data(), oem.data(), static_cast<DWORD>(ansi.size()));
    const int backLength =
        MultiByteToWideChar(CP_OEMCP, 0, oem.data(), static_cast<int>(oem.size()), nullptr, 0);
    std::wstring back(static_cast<std::size_t>(backLength > 0 ? backLength : 0), L'\0');
    if (backLength > 0) {
        MultiByteToWideChar(CP_OEMCP, 0, oem.data(), static_cast<int>(oem.size()), back.data(),
                            backLength);
    }
    if (back != wide) {
        throw cannotHold();
    }
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
