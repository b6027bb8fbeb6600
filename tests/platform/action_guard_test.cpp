#include "platform/action_guard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/scripted_dialogs.h"

namespace rangwerk {
namespace {

using testing::ScriptedDialogs;

// A handler reached while an action runs (as through a signal the action sends) belongs to it.
TEST(ActionGuardTest, AnInnerFailureEndsTheActionAndIsShownOnce) {
    ScriptedDialogs dialogs;
    ActionGuard guard(dialogs);
    std::vector<std::string> ran;

    guard.Run([&] {
        ran.push_back("outer");
        guard.Run([&] {
            ran.push_back("inner");
            throw std::runtime_error("Stream-Lesefehler");
        });
        // The signal returned normally; the next handler of the action no longer runs.
        guard.Run([&] { ran.push_back("second inner"); });
        EXPECT_TRUE(guard.Failed());
        guard.ThrowIfFailed();
        ran.push_back("after");
    });

    EXPECT_EQ(ran, (std::vector<std::string>{"outer", "inner"}));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], GeneralErrorMessage("Stream-Lesefehler"));
    EXPECT_FALSE(guard.Failed());

    // The next action starts afresh.
    guard.Run([&] { guard.Run([&] { ran.push_back("next"); }); });
    EXPECT_EQ(ran.back(), "next");
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

// Only the first failure of an action is shown: a later one follows from it.
TEST(ActionGuardTest, TheFirstFailureOfAnActionIsTheOneShown) {
    ScriptedDialogs dialogs;
    ActionGuard guard(dialogs);
    guard.Run([&] {
        guard.Run([] { throw std::out_of_range("Listenindex überschreitet das Maximum"); });
        throw std::runtime_error("Folgefehler");
    });
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Listenindex überschreitet das Maximum.");

    // A failure of the outer handler alone, and a handler that calls another directly.
    guard.Run([&] {
        const auto inner = [] { throw std::runtime_error("Datei fehlt"); };
        inner();
        ADD_FAILURE() << "the action went on";
    });
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text, "Datei fehlt.");
}

// The box is shown once the action has ended: what the user does while it is open is an action
// of its own, with a box of its own.
TEST(ActionGuardTest, AnActionWhileTheBoxIsOpenIsGuardedOnItsOwn) {
    struct ReenteringDialogs : ScriptedDialogs {
        ActionGuard* guard = nullptr;
        bool reentered = false;
        MessageButton ShowMessage(const MessageRequest& request) override {
            EXPECT_FALSE(guard->Busy());
            const MessageButton answer = ScriptedDialogs::ShowMessage(request);
            if (!reentered) {
                reentered = true;
                guard->Run([] { throw std::runtime_error("zweiter Fehler"); });
            }
            return answer;
        }
    } dialogs;
    ActionGuard guard(dialogs);
    dialogs.guard = &guard;
    guard.Run([] { throw std::runtime_error("erster Fehler"); });
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, "erster Fehler.");
    EXPECT_EQ(dialogs.messages[1].text, "zweiter Fehler.");
}

// Wrapped for connect: the signal's arguments reach the handler.
TEST(ActionGuardTest, WrapPassesTheArguments) {
    ScriptedDialogs dialogs;
    ActionGuard guard(dialogs);
    int sum = 0;
    auto slot = guard.Wrap([&](int a, bool b) {
        sum += a;
        if (b)
            throw std::runtime_error("nein");
    });
    slot(3, false);
    slot(4, true);
    EXPECT_EQ(sum, 7);
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

}  // namespace
}  // namespace rangwerk
