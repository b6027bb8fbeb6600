#include <gtest/gtest.h>

#include <string>

#include "base/wide_text.h"

namespace rangwerk {
namespace {

// Characters outside the Basic Multilingual Plane take two UTF-16 units; zeros inside a text
// are kept, so that a length-counted text (a registry value, a version entry) survives.
TEST(WideText, ConvertsBothWaysWithSurrogatePairsAndZeros) {
    const std::string utf8 = std::string("Gr\u00F6\u00DFe \u20AC \U0001F600") + '\0' + "x";
    const std::wstring wide = std::wstring(L"Gr\u00F6\u00DFe \u20AC \xD83D\xDE00") + L'\0' + L"x";
    EXPECT_EQ(WideFromUtf8(utf8), wide);
    EXPECT_EQ(Utf8FromWide(wide), utf8);
    EXPECT_EQ(WideFromUtf8(""), L"");
    EXPECT_EQ(Utf8FromWide(L""), "");
}

TEST(WideText, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(WideFromUtf8("a\xFFz"), L"a\uFFFDz");
    EXPECT_EQ(Utf8FromWide(std::wstring(L"a") + wchar_t(0xD800) + L"z"), "a\uFFFDz");
}

}  // namespace
}  // namespace rangwerk
