#include "ui/win32/shell.h"

#include "base/wide_text.h"

namespace rangwerk::win32 {

bool ShellOpen(HWND owner, const std::string& target) {
    const std::wstring file = WideFromUtf8(target);
    const HINSTANCE result =
        ShellExecuteW(owner, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // Values above 32 mean success.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

void PlaySystemSound(SystemSound sound) {
    switch (sound) {
        case SystemSound::Exclamation:
            MessageBeep(MB_ICONEXCLAMATION);
            break;
        case SystemSound::Question:
            MessageBeep(MB_ICONQUESTION);
            break;
        case SystemSound::None:
            break;
    }
}

}  // namespace rangwerk::win32
