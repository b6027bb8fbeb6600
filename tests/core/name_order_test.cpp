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

}  // namespace
}  // namespace rangwerk
