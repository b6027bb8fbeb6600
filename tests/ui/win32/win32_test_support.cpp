#include "tests/ui/win32/win32_test_support.h"

#include <algorithm>
#include <map>

namespace rangwerk::win32::testing {

namespace {

LPARAM KeyData(UINT virtualKey, bool up, bool alt) {
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    LPARAM data = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16);
    if (alt)
        data |= LPARAM{1} << 29;  // the context code: Alt is down
    if (up)
        data |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
    return data;
}

struct ModalStep {
    std::function<bool()> step;
    DWORD deadline;
};

std::map<UINT_PTR, ModalStep>& ModalSteps() {
    static std::map<UINT_PTR, ModalStep> steps;
    return steps;
}

void CALLBACK RunModalStep(HWND, UINT, UINT_PTR timer, DWORD) {
    auto& steps = ModalSteps();
    auto found = steps.find(timer);
    if (found == steps.end()) {
        KillTimer(nullptr, timer);
        return;
    }
    // Taken out while it runs: the step may start a modal loop of its own.
    ModalStep current = std::move(found->second);
    steps.erase(found);
    KillTimer(nullptr, timer);
    const bool done = current.step();
    if (!done && GetTickCount() < current.deadline) {
        const UINT_PTR next = SetTimer(nullptr, 0, 20, RunModalStep);
        steps.emplace(next, std::move(current));
    }
}

}  // namespace

void PostKey(HWND focus, UINT virtualKey) {
    PostMessageW(focus, WM_KEYDOWN, virtualKey, KeyData(virtualKey, false, false));
    PostMessageW(focus, WM_KEYUP, virtualKey, KeyData(virtualKey, true, false));
}

void PostAltKey(HWND focus, wchar_t letter) {
    const UINT key = static_cast<UINT>(towupper(letter));
    PostMessageW(focus, WM_SYSKEYDOWN, key, KeyData(key, false, true));
    PostMessageW(focus, WM_SYSKEYUP, key, KeyData(key, true, true));
}

void PostChar(HWND focus, wchar_t character) {
    PostMessageW(focus, WM_CHAR, character, 1);
}

void PostClick(HWND window, int x, int y) {
    const LPARAM point = MAKELPARAM(x, y);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(window, WM_LBUTTONUP, 0, point);
}

void WhileModal(std::function<bool()> step, int timeoutMs) {
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, RunModalStep);
    ModalSteps().emplace(
        timer, ModalStep{std::move(step), GetTickCount() + static_cast<DWORD>(timeoutMs)});
}

bool RunUntil(MessageLoop& loop, const std::function<bool()>& done, int timeoutMs) {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(timeoutMs);
    for (;;) {
        loop.RunUntilIdle();
        if (done())
            return true;
        const DWORD now = GetTickCount();
        if (static_cast<LONG>(deadline - now) <= 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(deadline - now, 20),
                                  QS_ALLINPUT);
    }
}

bool ModalStepsDone() {
    return ModalSteps().empty();
}

namespace {

struct ThreadWindowSearch {
    const wchar_t* className;
    bool enabled;
    HWND found;
};

// A named callback: on 32-bit Windows a lambda does not convert to the stdcall WNDENUMPROC.
BOOL CALLBACK MatchThreadWindow(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<ThreadWindowSearch*>(data);
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (std::wstring(name) != s->className || !IsWindowVisible(window) ||
        (s->enabled && !IsWindowEnabled(window)))
        return TRUE;
    s->found = window;
    return FALSE;
}

// The first shown top-level window of this thread of a window class ("#32770": dialogs,
// "#32768": popup menus), enabled too when `enabled` (the owner of a modal window is not).
HWND ShownThreadWindow(const wchar_t* className, bool enabled) {
    ThreadWindowSearch search{className, enabled, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchThreadWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

HWND ShownMenu() {
    return ShownThreadWindow(L"#32768", false);
}

void ChooseMenuItem(std::size_t position, std::size_t itemCount) {
    WhileModal([position, itemCount] {
        HWND menu = ShownMenu();
        if (menu == nullptr)
            return false;
        if (position >= itemCount) {
            PostKey(menu, VK_ESCAPE);
            return true;
        }
        // The first Down selects the first item.
        for (std::size_t i = 0; i <= position; ++i) PostKey(menu, VK_DOWN);
        PostKey(menu, VK_RETURN);
        return true;
    });
}

namespace {

struct ClassSearch {
    std::wstring className;
    HWND parent;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectOfClass(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<ClassSearch*>(search);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (_wcsicmp(name, s->className.c_str()) == 0)
        s->found.push_back(window);
    return TRUE;
}

}  // namespace

HWND ShownDialog() {
    return ShownThreadWindow(L"#32770", true);
}

std::vector<HWND> ChildrenOfClass(HWND window, const std::wstring& className) {
    ClassSearch search{className, window, {}};
    EnumChildWindows(window, CollectOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring ChosenFaceOf(HWND control) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return face;
}

bool Capture::AnyPixelOtherThan(int left, int top, int right, int bottom, Color color) const {
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (At(x, y) != color)
                return true;
        }
    }
    return false;
}

namespace {

// A 32-bit bitmap of the size, selected into a memory device context, read back as pixels once
// `draw` has drawn into it.
Capture DrawnInto(int width, int height, const std::function<void(HDC dc)>& draw) {
    Capture capture;
    capture.width = width;
    capture.height = height;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    draw(dc);
    GdiFlush();

    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    capture.pixels.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        // A 32-bit DIB holds blue in the low byte.
        const std::uint32_t p = pixels[i];
        capture.pixels.push_back(Rgb((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return capture;
}

}  // namespace

Capture CaptureClient(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return DrawnInto(client.right, client.bottom,
                     [window](HDC dc) { PrintWindow(window, dc, PW_CLIENTONLY); });
}

Capture PaintedBy(int width, int height, const std::function<void(HDC dc)>& paint) {
    return DrawnInto(width, height, paint);
}

bool SamePixels(const Capture& a, const Capture& b, int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (a.At(x, y) != b.At(x, y))
                return false;
        }
    }
    return true;
}

Color SystemColor(int index) {
    const COLORREF c = GetSysColor(index);
    return Rgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

}  // namespace rangwerk::win32::testing
