// A stand-in for the program in the test of the update batch on Windows.
//   batch_wait_helper MILLISECONDS FILE: runs that long (so the batch must wait for it), then
//     writes FILE and ends;
//   batch_wait_helper (as the batch restarts the program): writes "neu gestartet.txt" beside
//     itself and ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Note(const std::wstring& path, const char* text) {
    if (FILE* file = _wfopen(path.c_str(), L"wb")) {
        std::fputs(text, file);
        std::fclose(file);
    }
}

}  // namespace

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (count >= 3) {
        Sleep(static_cast<DWORD>(_wtoi(arguments[1])));
        Note(arguments[2], "beendet");
        return 0;
    }
    wchar_t own[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::wstring path = own;
    path = path.substr(0, path.find_last_of(L'\\') + 1) + L"neu gestartet.txt";
    Note(path, "neu gestartet");
    return 0;
}
