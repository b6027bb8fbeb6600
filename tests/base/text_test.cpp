#include <gtest/gtest.h>

#include "base/text.h"

namespace rangwerk {
namespace {

TEST(Text, Windows1252RoundTripsAndRefusals) {
    EXPECT_EQ(Utf8ToCp1252("Äpfel €"), std::string("\xC4pfel \x80"));
    EXPECT_EQ(Cp1252ToUtf8("\xC4pfel \x80\x9F"), "Äpfel €Ÿ");
    EXPECT_EQ(Utf8ToCp1252("Łódź"), std::nullopt);
    EXPECT_EQ(Utf8ToCp1252Lossy("Łx"), "?x");
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << b;
    }
}

TEST(Text, MalformedUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(DecodeUtf8("a\xC3"), (std::u32string{U'a', 0xFFFD}));
    EXPECT_EQ(DecodeUtf8("\xE2\x82"), (std::u32string{0xFFFD, 0xFFFD}));
    EXPECT_EQ(DecodeUtf8("\xC0\xAF"), (std::u32string{0xFFFD, 0xFFFD})) << "overlong";
    EXPECT_EQ(DecodeUtf8("\xED\xA0\x80").front(), 0xFFFDu) << "surrogate";
    EXPECT_EQ(EncodeUtf8(DecodeUtf8("€𝄞ß")), "€𝄞ß");
}

TEST(Text, Utf16LittleEndian) {
    EXPECT_EQ(Utf16LeToUtf8(std::string("A\0\xE4\0\xAC\x20", 6)), "Aä€");
    EXPECT_EQ(Utf16LeToUtf8(std::string("\x34\xD8\x1E\xDD", 4)), "𝄞");
    EXPECT_EQ(Utf16LeToUtf8(std::string("\x34\xD8", 2)), "\xEF\xBF\xBD") << "lone surrogate";
}

TEST(Text, CaseInsensitiveEqualityCoversWindows1252Letters) {
    EXPECT_TRUE(EqualIgnoringCase("Apfel", "aPFEL"));
    EXPECT_TRUE(EqualIgnoringCase("ÄÖÜ", "äöü"));
    EXPECT_TRUE(EqualIgnoringCase("ÉÀÇÑ", "éàçñ"));
    EXPECT_TRUE(EqualIgnoringCase("ŠŒŽŸ", "šœžÿ"));
    EXPECT_TRUE(EqualIgnoringCase("ΑΒΓ", "αβγ"));
    EXPECT_TRUE(EqualIgnoringCase("ДОМ", "дом"));
    EXPECT_FALSE(EqualIgnoringCase("Apfel", "Apfe"));
    EXPECT_FALSE(EqualIgnoringCase("ß", "ss"));
    EXPECT_FALSE(EqualIgnoringCase("×", "÷")) << "the multiplication sign is no letter";
}

TEST(Text, NameOrder) {
    EXPECT_LT(CompareNames("apfel", "Birne"), 0);
    EXPECT_GT(CompareNames("Zitrone", "Birne"), 0);
    EXPECT_EQ(CompareNames("abc", "ABC"), 0);
    EXPECT_LT(CompareNames("Ab", "Abc"), 0) << "a prefix comes first";
    EXPECT_GT(CompareNames("Äpfel", "Zz"), 0);
    EXPECT_GT(CompareNames("äpfel", "Äpfel"), 0) << "only a-z are raised: ä stays above Ä";
    EXPECT_GT(CompareNames("Ł", "ÿ"), 0) << "outside the set sorts last";
    EXPECT_LT(CompareNames("Ł", "Ń"), 0) << "by code point among themselves";
    EXPECT_GT(CompareNames("_", "a"), 0) << "a is taken as A (0x41), below _ (0x5F)";
}

}  // namespace
}  // namespace rangwerk
