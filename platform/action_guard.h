#pragma once

#include <exception>
#include <type_traits>
#include <utility>

#include "platform/dialogs.h"

namespace rangwerk {

// One user action at a time, guarded once where its event enters the window.
//
// A window wraps each of its event entries (button clicks, key presses, leaving a field) in
// Run. A failure that escapes the action is shown in the general error box, and the program goes
// on. Whatever runs while an action is under way belongs to that action: a handler the action
// calls directly, and a handler reached through a signal that the action's own changes send.
// Such an inner handler never shows a box of its own. When it fails, the action ends: nothing
// more of it runs through the guard, and only the first failure is shown, once, when the
// outermost entry returns.
//
// The box is shown after the action has ended, so what the user does while it is open is a new
// action.
class ActionGuard {
public:
    explicit ActionGuard(Dialogs& dialogs) : dialogs_(dialogs) {}
    ActionGuard(const ActionGuard&) = delete;
    ActionGuard& operator=(const ActionGuard&) = delete;

    // True while an action runs.
    bool Busy() const { return depth_ > 0; }
    // True when an inner handler of the running action has failed.
    bool Failed() const { return failure_ != nullptr; }

    template <class Handler>
    void Run(Handler&& handler) {
        if (depth_ > 0) {
            // Part of the running action. A failure cannot travel on through the signal that
            // brought us here: it is kept for the outermost entry, and the action is over.
            if (failure_)
                return;
            ++depth_;
            try {
                handler();
            } catch (...) {
                failure_ = std::current_exception();
            }
            --depth_;
            return;
        }
        depth_ = 1;
        try {
            handler();
        } catch (...) {
            // An inner handler's failure came first; a later one is its consequence.
            if (!failure_)
                failure_ = std::current_exception();
        }
        depth_ = 0;
        const std::exception_ptr failure = std::exchange(failure_, nullptr);
        if (failure)
            Show(failure);
    }

    // Rethrows the failure of an inner handler reached through a signal, so that the action
    // that sent the signal goes no further.
    void ThrowIfFailed() const {
        if (failure_)
            std::rethrow_exception(failure_);
    }

    // The handler wrapped for `connect`: the arguments of the signal are passed on to a handler
    // that takes them; a handler without parameters ignores them.
    template <class Handler>
    auto Wrap(Handler handler) {
        return [this, handler = std::move(handler)](auto&&... arguments) {
            Run([&] {
                if constexpr (std::is_invocable_v<const Handler&, decltype(arguments)...>) {
                    handler(std::forward<decltype(arguments)>(arguments)...);
                } else {
                    handler();
                }
            });
        };
    }

private:
    void Show(const std::exception_ptr& failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            dialogs_.ShowMessage(GeneralErrorMessage(e.what()));
        }
    }

    Dialogs& dialogs_;
    int depth_ = 0;
    std::exception_ptr failure_;
};

}  // namespace rangwerk
