#include <QCoreApplication>
#include <QTimer>

#include "support/http_test_backend.h"
#include "ui/qt/qt_http_client.h"

namespace rangwerk::testing {

void PrepareHttpBackend() {
    static int argc = 1;
    static char name[] = "rangwerk_http_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        static QCoreApplication application(argc, argv);
    }
}

std::unique_ptr<HttpClient> MakeHttpClient() {
    return std::make_unique<QtHttpClient>();
}

void RunAfter(int milliseconds, std::function<void()> action) {
    QTimer::singleShot(milliseconds, std::move(action));
}

struct EventTicker::Timer {
    QTimer timer;
};

EventTicker::EventTicker(int milliseconds) : timer_(std::make_unique<Timer>()) {
    QObject::connect(&timer_->timer, &QTimer::timeout, [this] { ++ticks_; });
    timer_->timer.start(milliseconds);
}

EventTicker::~EventTicker() = default;

}  // namespace rangwerk::testing
