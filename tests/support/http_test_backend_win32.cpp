#include <windows.h>

#include <map>

#include "platform/http_client_wininet.h"
#include "support/http_test_backend.h"

namespace rangwerk::testing {

namespace {

// The thread's timers and what each runs.
std::map<UINT_PTR, std::function<void()>>& Timers() {
    static std::map<UINT_PTR, std::function<void()>> timers;
    return timers;
}

void CALLBACK FireOnce(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    const auto found = Timers().find(id);
    if (found == Timers().end()) {
        return;
    }
    const std::function<void()> action = std::move(found->second);
    Timers().erase(found);
    action();
}

}  // namespace

void PrepareHttpBackend() {}

std::unique_ptr<HttpClient> MakeHttpClient() {
    return std::make_unique<WinInetHttpClient>();
}

void RunAfter(int milliseconds, std::function<void()> action) {
    const UINT_PTR id = SetTimer(nullptr, 0, static_cast<UINT>(milliseconds), FireOnce);
    Timers()[id] = std::move(action);
}

struct EventTicker::Timer {
    UINT_PTR id = 0;
};

namespace {
int* tickTarget = nullptr;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (tickTarget != nullptr) {
        ++*tickTarget;
    }
}
}  // namespace

EventTicker::EventTicker(int milliseconds) : timer_(std::make_unique<Timer>()) {
    tickTarget = &ticks_;
    timer_->id = SetTimer(nullptr, 0, static_cast<UINT>(milliseconds), Tick);
}

EventTicker::~EventTicker() {
    KillTimer(nullptr, timer_->id);
    tickTarget = nullptr;
}

}  // namespace rangwerk::testing
