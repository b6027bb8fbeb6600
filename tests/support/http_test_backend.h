#pragma once

// The HTTP client the network tests run against and the event loop around it: Qt Network with
// its event loop on Linux, WinINet with the Win32 message loop on Windows. The same test sources
// run against each backend where it is built.

#include <functional>
#include <memory>

#include "platform/http_client.h"

namespace rangwerk::testing {

// Whatever the backend needs before its first request (Qt: the application object).
void PrepareHttpBackend();

// A new client of the backend.
std::unique_ptr<HttpClient> MakeHttpClient();

// Runs `action` once, `milliseconds` from now, from the event loop that a blocking Get runs:
// as a window's handler would run, nested inside the request.
void RunAfter(int milliseconds, std::function<void()> action);

// Counts the ticks of a timer that fires every `milliseconds` while events flow.
class EventTicker {
public:
    explicit EventTicker(int milliseconds);
    ~EventTicker();
    EventTicker(const EventTicker&) = delete;
    EventTicker& operator=(const EventTicker&) = delete;
    int Ticks() const { return ticks_; }

private:
    struct Timer;
    int ticks_ = 0;
    std::unique_ptr<Timer> timer_;
};

}  // namespace rangwerk::testing
