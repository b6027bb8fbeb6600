#include "platform/dialogs.h"

#include <gtest/gtest.h>

namespace rangwerk {
namespace {

// The general error box adds a full stop only when the last character sorts after ".".
TEST(WithFullStopTest, AddsAFullStopOnlyAfterCharactersAboveTheFullStop) {
    EXPECT_EQ(WithFullStop("abc"), "abc.");
    EXPECT_EQ(WithFullStop("Datei 7"), "Datei 7.");
    EXPECT_EQ(WithFullStop("abc."), "abc.");
    EXPECT_EQ(WithFullStop("x)"), "x)");
    EXPECT_EQ(WithFullStop("Fehler!"), "Fehler!");
    EXPECT_EQ(WithFullStop(""), "");
    EXPECT_EQ(WithFullStop("ä"), "ä.");
    EXPECT_EQ(WithFullStop("ä."), "ä.");
}

TEST(WithFullStopTest, GeneralErrorMessageUsesTheRule) {
    MessageRequest r = GeneralErrorMessage("Datei nicht gefunden");
    EXPECT_EQ(r.text, "Datei nicht gefunden.");
    EXPECT_EQ(r.caption, "Rangwerk");
    EXPECT_EQ(r.icon, MessageIcon::Error);
    EXPECT_EQ(r.buttons, std::vector<MessageButton>{MessageButton::Ok});
}

}  // namespace
}  // namespace rangwerk
