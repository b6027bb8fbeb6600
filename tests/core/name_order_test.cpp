#include <gtest/gtest.h>

#include "core/name_order.h"

namespace rangwerk {
namespace {

TEST(NameOrder, Windows1252WithLettersRaised) {
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

TEST(NameOrder, ReadingOrderPutsAccentedLettersBesideTheirBase) {
    EXPECT_LT(CompareNamesForReading("Apfel", "Äpfel"), 0) << "the plain letter first";
    EXPECT_LT(CompareNamesForReading("Äpfel", "birne"), 0);
    EXPECT_LT(CompareNamesForReading("Öl", "Orange"), 0) << "Ö is O: l before r";
    EXPECT_EQ(CompareNamesForReading("apfel", "APFEL"), 0);
    EXPECT_LT(CompareNamesForReading("Strasse", "Straße"), 0) << "ß is ss, then the plain one";
    EXPECT_LT(CompareNamesForReading("Straße", "Strast"), 0);
    EXPECT_LT(CompareNamesForReading("Ærø", "Af"), 0) << "Æ is ae";
    EXPECT_LT(CompareNamesForReading("_x", "1"), 0) << "signs before digits";
    EXPECT_LT(CompareNamesForReading("9", "a"), 0) << "digits before letters";
    EXPECT_GT(CompareNamesForReading("Łódź", "Zug"), 0) << "beyond Latin-1 after the letters";
    EXPECT_LT(CompareNamesForReading("Ab", "Abc"), 0) << "a prefix comes first";
}

}  // namespace
}  // namespace rangwerk
