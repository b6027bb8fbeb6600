#include "ui/win32/win32_dialogs.h"

#include <utility>
#include <vector>

#include "base/wide_text.h"
#include "ui/win32/message_box.h"
#include "ui/win32/shell.h"

namespace rangwerk::win32 {

namespace {

using FileDialogFunction = BOOL(WINAPI*)(LPOPENFILENAMEW);

// GetSaveFileNameW or GetOpenFileNameW. The common dialogs' library is loaded when a file dialog
// is first asked for: loaded with the program, it would bring the shell and COM along and cost
// the start much of its time.
FileDialogFunction FileDialog(bool save) {
    static const HMODULE library = LoadLibraryW(L"comdlg32.dll");
    if (library == nullptr)
        return nullptr;
    const FARPROC function =
        GetProcAddress(library, save ? "GetSaveFileNameW" : "GetOpenFileNameW");
    return reinterpret_cast<FileDialogFunction>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

std::wstring Win32FileFilter(const std::string& filter) {
    std::wstring list = WideFromUtf8(filter);
    for (wchar_t& c : list) {
        if (c == L'|')
            c = L'\0';
    }
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

Win32Dialogs::Win32Dialogs(SoundPlayer playSound)
    : playSound_(playSound ? std::move(playSound) : SoundPlayer(PlaySystemSound)) {}

HWND Win32Dialogs::Owner() const {
    return owner_ != nullptr ? owner_ : GetActiveWindow();
}

MessageButton Win32Dialogs::ShowMessage(const MessageRequest& request) {
    playSound_(request.sound);
    return ShowMessageBox(Owner(), request);
}

std::optional<std::string> Win32Dialogs::AskSaveFileName(const FileDialogRequest& request) {
    return AskFileName(true, request);
}

std::optional<std::string> Win32Dialogs::AskOpenFileName(const FileDialogRequest& request) {
    return AskFileName(false, request);
}

std::optional<std::string> Win32Dialogs::AskFileName(bool save, const FileDialogRequest& request) {
    const std::wstring filter = Win32FileFilter(request.filter);
    const std::wstring extension = WideFromUtf8(request.defaultExtension);
    // Room for the longest path the system takes.
    std::vector<wchar_t> file(32768, L'\0');

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Owner();
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    // The dialog leaves the current folder as it was: a process's current folder cannot be
    // deleted on Windows, and the program finds its files by full paths.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_PATHMUSTEXIST |
                   OFN_NOCHANGEDIR | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const FileDialogFunction ask = FileDialog(save);
    if (ask == nullptr || !ask(&dialog))
        return std::nullopt;
    return Utf8FromWide(file.data());
}

}  // namespace rangwerk::win32
