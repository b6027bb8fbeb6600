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

TEST(Text, UnassignedWindows1252BytesKeepTheirValue) {
    // Windows maps 0x81, 0x8D, 0x8F, 0x90 and 0x9D to the C1 controls of the same value.
    EXPECT_EQ(FromCp1252(0x81), U'\u0081');
    EXPECT_EQ(FromCp1252(0x9D), U'\u009D');
    EXPECT_EQ(Cp1252ToUtf8("\x8D"), "\xC2\x8D");
}

TEST(Text, Utf8Validity) {
    EXPECT_TRUE(IsValidUtf8("Äpfel € 𝄞"));
    EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD")) << "a written replacement character";
    EXPECT_FALSE(IsValidUtf8("\xC4pfel"));
    EXPECT_FALSE(IsValidUtf8("a\xE2\x82"));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")) << "surrogate";
}

TEST(Text, Utf8ToUtf16AndBack) {
    EXPECT_EQ(Utf8ToUtf16Le("Aä€"), std::string("A\0\xE4\0\xAC\x20", 6));
    EXPECT_EQ(Utf8ToUtf16Le("𝄞"), std::string("\x34\xD8\x1E\xDD", 4));
    EXPECT_EQ(Utf8ToUtf16Le("\xC4"), std::string("\xFD\xFF", 2));
    EXPECT_EQ(Utf16LeToUtf8(Utf8ToUtf16Le("Grüße 𝄞")), "Grüße 𝄞");
    EXPECT_EQ(Utf16LeToUtf8(std::string("a\0\0\0b\0", 6)), std::string("a\0b", 3));
    EXPECT_EQ(Utf16LeToUtf8(std::string("a\0b", 3)), "a") << "odd last byte";
    EXPECT_EQ(Utf16Length("a€𝄞"), 4u);
}

TEST(Text, FoldingKeepsMalformedBytesApart) {
    EXPECT_EQ(FoldCaseText("ÄB\xFF\x63"), "äb\xFF\x63");
    EXPECT_FALSE(EqualIgnoringCase("\xFE", "\xFF")) << "two different bytes, not two U+FFFD";
    EXPECT_FALSE(EqualIgnoringCase("a\xC4", "A\xE4"));
    EXPECT_TRUE(EqualIgnoringCase("X\xC4", "x\xC4"));
}

}  // namespace
}  // namespace rangwerk
