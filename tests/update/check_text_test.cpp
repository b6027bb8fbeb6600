// The profile reader and the comma lists of the update description.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "update/comma_list.h"
#include "update/profile_file.h"

namespace rangwerk {
namespace {

using Items = std::vector<std::string>;

TEST(ProfileFile, ComparesSectionAndKeyNamesWithoutCase) {
    const auto file = ProfileFile::Parse("[RANKO-linux]\r\ndAtE=01.02.2026\r\n");
    EXPECT_EQ(file.ReadValue("Ranko-Linux", "Date"), "01.02.2026");
    EXPECT_EQ(file.ReadValue("ranko-LINUX", "DATE"), "01.02.2026");
    EXPECT_FALSE(file.ReadValue("Ranko", "Date"));
    EXPECT_FALSE(file.ReadValue("Ranko-Linux", "File"));
    // Letters beyond ASCII fold too (the names are Windows-1252).
    const auto umlaut = ProfileFile::Parse("[\xC4nderungen]\nX=1\n");
    EXPECT_EQ(umlaut.ReadValue("änderungen", "x"), "1");
}

TEST(ProfileFile, DropsBlanksAroundNamesAndValues) {
    const auto file = ProfileFile::Parse("  [ Ranko ]  \n\t File \t=  a  b \t\r\n");
    EXPECT_EQ(file.ReadValue("Ranko", "File"), "a  b");
    EXPECT_EQ(ProfileFile::Parse("[s]\nk=   \n").ReadValue("s", "k"), "");
}

TEST(ProfileFile, RemovesOnePairOfEnclosingQuotes) {
    const auto file = ProfileFile::Parse(
        "[s]\n"
        "double=\"a, b\"\n"
        "single='x'\n"
        "mixed=\"x'\n"
        "twice=\"\"x\"\"\n"
        "lone=\"\n"
        "inner=a \"b\" c\n"
        "blanks=  \" a \"  \n");
    EXPECT_EQ(file.ReadValue("s", "double"), "a, b");
    EXPECT_EQ(file.ReadValue("s", "single"), "x");
    EXPECT_EQ(file.ReadValue("s", "mixed"), "\"x'");
    EXPECT_EQ(file.ReadValue("s", "twice"), "\"x\"");
    EXPECT_EQ(file.ReadValue("s", "lone"), "\"");
    EXPECT_EQ(file.ReadValue("s", "inner"), "a \"b\" c");
    EXPECT_EQ(file.ReadValue("s", "blanks"), " a ");
}

TEST(ProfileFile, CutsValuesAfter2047Characters) {
    const std::string longValue(3000, 'x');
    const auto file = ProfileFile::Parse("[s]\nk=" + longValue + "\nq=\"" + std::string(2100, 'y') +
                                         "\"\nexact=" + std::string(2047, 'z') + "\n");
    EXPECT_EQ(file.ReadValue("s", "k"), std::string(2047, 'x'));
    EXPECT_EQ(file.ReadValue("s", "q"), std::string(2047, 'y'));
    EXPECT_EQ(file.ReadValue("s", "exact"), std::string(2047, 'z'));
    // Windows-1252 characters count once each, though UTF-8 holds them in two bytes.
    const auto umlauts = ProfileFile::Parse("[s]\nk=" + std::string(2100, '\xFC') + "\n");
    EXPECT_EQ(umlauts.ReadValue("s", "k")->size(), 2 * 2047u);
}

TEST(ProfileFile, ReadsWindows1252AndHoldsUtf8) {
    const auto file =
        ProfileFile::Parse("[s]\nNews=\"01.12.2026: Verf\xFCgung \x80 \x84gut\x93\"\n");
    EXPECT_EQ(file.ReadValue("s", "News"), "01.12.2026: Verfügung € „gut“");
}

TEST(ProfileFile, CountsASectionOnlyWithAKey) {
    const auto file = ProfileFile::Parse(
        "Date=before any section\n"
        "[Empty]\n"
        "; a comment=with an equals sign\n"
        "no equals sign\n"
        "=no key\n"
        "[Ranko]\n"
        "File=a.zip\n"
        "[ranko]\n"
        "File=second.zip\n"
        "Date=only in the second\n");
    EXPECT_FALSE(file.SectionExists("Empty"));
    EXPECT_FALSE(file.ReadValue("Empty", "; a comment"));
    EXPECT_TRUE(file.SectionExists("RANKO"));
    EXPECT_FALSE(file.SectionExists("Missing"));
    // The first of equal names counts.
    EXPECT_EQ(file.ReadValue("Ranko", "File"), "a.zip");
    EXPECT_FALSE(file.ReadValue("Ranko", "Date"));
    EXPECT_EQ(file.ReadString("Ranko", "News", "default"), "default");
}

TEST(ProfileFile, LoadsAFileUpToItsLimit) {
    const auto folder =
        std::filesystem::temp_directory_path() /
        ("rangwerk-profile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(folder);
    const auto path = (folder / "Updates.ini").string();
    {
        std::ofstream out(path, std::ios::binary);
        out << "[s]\nk=v\n";  // 8 bytes
    }
    EXPECT_EQ(ProfileFile::Load(path, 8)->ReadValue("s", "k"), "v");
    EXPECT_FALSE(ProfileFile::Load(path, 7));
    EXPECT_FALSE(ProfileFile::Load((folder / "missing.ini").string(), 100));
    std::filesystem::remove_all(folder);
}

TEST(CommaList, BlanksSplitUnquotedItems) {
    EXPECT_EQ(SplitCommaList("01.12.2026: Neue Farben,02.12.2026:Fehler"),
              (Items{"01.12.2026:", "Neue", "Farben", "02.12.2026:Fehler"}));
    EXPECT_EQ(SplitCommaList(" \t\r\n a ,  b\x01\x1F"
                             "c  "),
              (Items{"a", "b", "c"}));
    EXPECT_EQ(SplitCommaList(""), Items{});
    EXPECT_EQ(SplitCommaList("  \t "), Items{});
}

TEST(CommaList, QuotedItemsKeepCommasBlanksAndDoubledQuotes) {
    EXPECT_EQ(SplitCommaList("\"01.12.2026: a, b\", \"02.12.2026: sagt \"\"hallo\"\"\""),
              (Items{"01.12.2026: a, b", "02.12.2026: sagt \"hallo\""}));
    EXPECT_EQ(SplitCommaList("\"\""), Items{""});
    EXPECT_EQ(SplitCommaList("\"\"\"\""), Items{"\""});
    // An unclosed quote runs to the end; text right after a closing quote is an item of its own.
    EXPECT_EQ(SplitCommaList("a,\"b, c\"\"d"), (Items{"a", "b, c\"d"}));
    EXPECT_EQ(SplitCommaList("\"ab\"cd,e"), (Items{"ab", "cd", "e"}));
}

TEST(CommaList, ATrailingCommaAddsOneEmptyItem) {
    EXPECT_EQ(SplitCommaList("a,"), (Items{"a", ""}));
    EXPECT_EQ(SplitCommaList("\"a\" ,"), (Items{"a", ""}));
    // Blanks after the comma: the comma is not the last character.
    EXPECT_EQ(SplitCommaList("a, "), Items{"a"});
    EXPECT_EQ(SplitCommaList("a,,b"), (Items{"a", "", "b"}));
    EXPECT_EQ(SplitCommaList(","), (Items{"", ""}));
    // A zero character ends the text.
    EXPECT_EQ(SplitCommaList(std::string_view("a,b\0c,", 6)), (Items{"a", "b"}));
}

}  // namespace
}  // namespace rangwerk
