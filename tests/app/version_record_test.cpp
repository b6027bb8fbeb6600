#include "app/version_record.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "app/program_version_record.h"
#include "app/version_record_format.h"

namespace rangwerk {
namespace {

std::uint16_t Word(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes.at(at) | (bytes.at(at + 1) << 8));
}

void SetWord(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes.at(at) = static_cast<std::uint8_t>(value & 0xFF);
    bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

std::string Utf16Key(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::string key;
    for (; Word(bytes, at) != 0; at += 2) {
        key += static_cast<char>(Word(bytes, at));
    }
    return key;
}

bool IsValidUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        if (lead >= 0x80) {
            if ((lead & 0xE0) == 0xC0) {
                extra = 1;
            } else if ((lead & 0xF0) == 0xE0) {
                extra = 2;
            } else if ((lead & 0xF8) == 0xF0) {
                extra = 3;
            } else {
                return false;
            }
        }
        if (text.size() - i <= extra) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += extra + 1;
    }
    return true;
}

// A record with a single string, small enough to work out its layout by hand.
const VersionString kSmallStrings[] = {{"FileVersion", "1.0"}};
const VersionTranslation kGerman1252[] = {{0x0407, 1252}};

VersionRecordContent SmallContent() {
    return {.fixed = {.fileVersionMs = 0x00010000u},
            .stringTableKey = "040704E4",
            .strings = kSmallStrings,
            .translations = kGerman1252};
}

TEST(VersionRecordLayout, NodesFollowTheSystemLayout) {
    const std::vector<std::uint8_t> bytes = SerializeVersionRecord(SmallContent());
    ASSERT_EQ(bytes.size(), 260u);

    // Root: header, key, padding to 40, fixed part of 52 bytes starting with its signature.
    EXPECT_EQ(Word(bytes, 0), 260);
    EXPECT_EQ(Word(bytes, 2), 52);
    EXPECT_EQ(Word(bytes, 4), 0);
    EXPECT_EQ(Utf16Key(bytes, 6), "VS_VERSION_INFO");
    EXPECT_EQ(Word(bytes, 40), 0x04BD);
    EXPECT_EQ(Word(bytes, 42), 0xFEEF);
    EXPECT_EQ(Word(bytes, 46), 0x0001);  // structure version 1.0
    EXPECT_EQ(Word(bytes, 50), 0x0001);  // file version major 1

    // StringFileInfo at 92, its table at 128, the string at 152 with its value at 184.
    EXPECT_EQ(Word(bytes, 92), 100);
    EXPECT_EQ(Word(bytes, 96), 1);
    EXPECT_EQ(Utf16Key(bytes, 98), "StringFileInfo");
    EXPECT_EQ(Word(bytes, 128), 64);
    EXPECT_EQ(Utf16Key(bytes, 134), "040704E4");
    EXPECT_EQ(Word(bytes, 152), 40);
    EXPECT_EQ(Word(bytes, 154), 4);  // "1.0" and its zero, in UTF-16 units
    EXPECT_EQ(Word(bytes, 156), 1);
    EXPECT_EQ(Utf16Key(bytes, 158), "FileVersion");
    EXPECT_EQ(Utf16Key(bytes, 184), "1.0");

    // VarFileInfo at 192 (the usual 0x44 bytes), Translation at 224 with one pair at 256.
    EXPECT_EQ(Word(bytes, 192), 0x44);
    EXPECT_EQ(Utf16Key(bytes, 198), "VarFileInfo");
    EXPECT_EQ(Word(bytes, 224), 0x24);
    EXPECT_EQ(Word(bytes, 226), 4);
    EXPECT_EQ(Word(bytes, 228), 0);
    EXPECT_EQ(Utf16Key(bytes, 230), "Translation");
    EXPECT_EQ(Word(bytes, 256), 0x0407);
    EXPECT_EQ(Word(bytes, 258), 1252);
}

TEST(VersionRecordLayout, CompileTimeAndRunTimeRecordsAgree) {
    constexpr std::size_t size = VersionRecordSize(kProgramVersionRecord);
    constexpr auto fixed = VersionRecordArray<size>(kProgramVersionRecord);
    const std::vector<std::uint8_t> built = SerializeVersionRecord(kProgramVersionRecord);
    EXPECT_EQ(std::vector<std::uint8_t>(fixed.begin(), fixed.end()), built);
    EXPECT_EQ(Word(built, 0), built.size());
}

TEST(VersionRecordLayout, RecordTooLargeForItsLengthFieldsIsRefused) {
    const std::string longText(40000, 'x');
    const VersionString strings[] = {{"Comments", longText}};
    VersionRecordContent content = SmallContent();
    content.strings = strings;
    EXPECT_THROW(SerializeVersionRecord(content), std::length_error);
}

TEST(ProgramVersionRecord, ReadsBackEveryField) {
    const std::vector<std::uint8_t> bytes = SerializeVersionRecord(kProgramVersionRecord);
    const auto record = VersionRecord::Parse(bytes);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->Root().key, "VS_VERSION_INFO");

    const auto fixed = record->Fixed();
    ASSERT_TRUE(fixed.has_value());
    EXPECT_EQ(fixed->signature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->fileVersionMs, 0x00010000u);
    EXPECT_EQ(fixed->fileVersionLs, 0u);
    EXPECT_EQ(fixed->productVersionMs, 0x00010000u);
    EXPECT_EQ(fixed->productVersionLs, 0u);
    EXPECT_EQ(fixed->fileFlags, 0u);
    EXPECT_EQ(fixed->fileOs, 0x00000004u);
    EXPECT_EQ(fixed->fileType, 0x00000001u);

    const VersionNode* table = record->Find("\\StringFileInfo\\040704E4");
    ASSERT_NE(table, nullptr);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"CompanyName", "Quarv-Software"},
        {"FileDescription", "Rangwerk"},
        {"FileVersion", "1.0.0.0"},
        {"InternalName", ""},
        {"LegalCopyright", "Copyright \u00A9 2004 Quarv-Software"},
        {"LegalTrademarks", ""},
        {"OriginalFilename", "RANKO.EXE"},
        {"ProductName", "Rangwerk"},
        {"ProductVersion", "1.0.0.0"},
        {"Comments", ""},
    };
    std::vector<std::pair<std::string, std::string>> found;
    for (const VersionNode& entry : table->children) {
        EXPECT_TRUE(entry.IsText()) << entry.key;
        found.emplace_back(entry.key, DecodeVersionText(entry.value));
    }
    EXPECT_EQ(found, expected);

    ASSERT_EQ(record->Find("\\StringFileInfo")->children.size(), 1u);
    const VersionNode* translation = record->Find("\\VarFileInfo\\Translation");
    ASSERT_NE(translation, nullptr);
    EXPECT_FALSE(translation->IsText());
    EXPECT_EQ(translation->value.size(), 4u);
    EXPECT_EQ(record->FirstTranslation(), 0x04E40407u);
    EXPECT_EQ(record->FileVersion(), "1.0.0.0");
}

TEST(VersionRecordQuery, KeysMatchWithoutRegardToCase) {
    const auto record = VersionRecord::Parse(SerializeVersionRecord(kProgramVersionRecord));
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->QueryString("\\StringFileInfo\\040704e4\\FileVersion"), "1.0.0.0");
    EXPECT_EQ(record->QueryString("\\STRINGFILEINFO\\040704E4\\productname"), "Rangwerk");
    EXPECT_EQ(record->QueryString("StringFileInfo\\040704E4\\\\OriginalFilename\\"), "RANKO.EXE");
    EXPECT_EQ(record->Find("\\"), &record->Root());
    EXPECT_EQ(record->Find("\\StringFileInfo\\040704E4\\FileVersio"), nullptr);
    EXPECT_EQ(record->Find("\\StringFileInfo\\040704E4\\FileVersion\\More"), nullptr);
    EXPECT_EQ(record->Find("\\StringFileInfo\\040904E4\\FileVersion"), nullptr);

    // Letters beyond ASCII too, as the system compares keys.
    const VersionString strings[] = {{"Änderung", "ja"}};
    VersionRecordContent content = SmallContent();
    content.strings = strings;
    const auto other = VersionRecord::Parse(SerializeVersionRecord(content));
    ASSERT_TRUE(other.has_value());
    EXPECT_EQ(other->QueryString("\\StringFileInfo\\040704e4\\äNDERUNG"), "ja");
}

TEST(VersionRecordQuery, FileVersionFollowsTheFirstTranslation) {
    auto versionWith = [](std::span<const VersionTranslation> translations, std::string_view key) {
        VersionRecordContent content = kProgramVersionRecord;
        content.translations = translations;
        content.stringTableKey = key;
        return FileVersionFromRecord(SerializeVersionRecord(content));
    };
    const VersionTranslation otherCodePage[] = {{0x0407, 1200}};
    const VersionTranslation otherLanguage[] = {{0x0409, 1252}};
    const VersionTranslation secondMatches[] = {{0x0409, 1252}, {0x0407, 1252}};
    const VersionTranslation firstMatches[] = {{0x0407, 1252}, {0x0409, 1252}};
    EXPECT_EQ(versionWith(kProgramTranslations, "040704E4"), "1.0.0.0");
    EXPECT_EQ(versionWith(kProgramTranslations, "040704e4"), "1.0.0.0");
    EXPECT_EQ(versionWith(otherCodePage, "040704E4"), "");
    EXPECT_EQ(versionWith(otherLanguage, "040704E4"), "");
    EXPECT_EQ(versionWith(secondMatches, "040704E4"), "");
    EXPECT_EQ(versionWith(firstMatches, "040704E4"), "1.0.0.0");
    EXPECT_EQ(versionWith({}, "040704E4"), "");                    // empty translation list
    EXPECT_EQ(versionWith(otherCodePage, "040704b0"), "1.0.0.0");  // 1200 = 0x04b0
}

TEST(VersionRecordText, ConvertsBetweenUtf8AndUtf16) {
    const VersionString strings[] = {{"FileVersion", "\u00C4nderung \U0001F600 \u20AC"}};
    VersionRecordContent content = SmallContent();
    content.strings = strings;
    EXPECT_EQ(FileVersionFromRecord(SerializeVersionRecord(content)),
              "\u00C4nderung \U0001F600 \u20AC");

    const std::vector<std::uint8_t> loneSurrogate = {'a', 0, 0x00, 0xD8, 'b', 0};
    EXPECT_EQ(DecodeVersionText(loneSurrogate), "a\uFFFDb");
    const std::vector<std::uint8_t> stopsAtZero = {'a', 0, 0, 0, 'b', 0};
    EXPECT_EQ(DecodeVersionText(stopsAtZero), "a");
    const std::vector<std::uint8_t> oddLength = {'a', 0, 'b'};
    EXPECT_EQ(DecodeVersionText(oddLength), "a");
}

TEST(VersionRecordRobustness, MalformedNodes) {
    const std::vector<std::uint8_t> good = SerializeVersionRecord(SmallContent());
    EXPECT_FALSE(VersionRecord::Parse({}).has_value());

    std::vector<std::uint8_t> bytes = good;
    SetWord(bytes, 0, 0);  // a zero length must not make the reader loop or accept the root
    EXPECT_FALSE(VersionRecord::Parse(bytes).has_value());
    SetWord(bytes, 0, 5);
    EXPECT_FALSE(VersionRecord::Parse(bytes).has_value());
    SetWord(bytes, 0, 20);  // key without its terminating zero inside the node
    EXPECT_FALSE(VersionRecord::Parse(bytes).has_value());

    // A child with a zero length ends the children; the rest stays readable.
    bytes = good;
    SetWord(bytes, 192, 0);
    auto record = VersionRecord::Parse(bytes);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->QueryString("\\StringFileInfo\\040704E4\\FileVersion"), "1.0");
    EXPECT_EQ(record->FileVersion(), "");

    // A binary value longer than its node makes the node unreadable.
    bytes = good;
    SetWord(bytes, 226, 40);
    EXPECT_EQ(FileVersionFromRecord(bytes), "");

    // A text length beyond the node is cut at the node's end; the zero still ends the text.
    bytes = good;
    SetWord(bytes, 154, 500);
    EXPECT_EQ(FileVersionFromRecord(bytes), "1.0");
}

TEST(VersionRecordRobustness, EveryTruncationIsRefused) {
    const std::vector<std::uint8_t> good = SerializeVersionRecord(kProgramVersionRecord);
    for (std::size_t size = 0; size < good.size(); ++size) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + size);
        EXPECT_EQ(FileVersionFromRecord(cut), "") << "size " << size;
        // Even when the root claims only what is left, a cut record lacks its translation.
        if (size >= 2) {
            SetWord(cut, 0, static_cast<std::uint16_t>(size));
            EXPECT_EQ(FileVersionFromRecord(cut), "") << "size " << size;
        }
    }
    EXPECT_EQ(FileVersionFromRecord(good), "1.0.0.0");
}

TEST(VersionRecordRobustness, CorruptedBytesStayInBounds) {
    const std::vector<std::uint8_t> good = SerializeVersionRecord(kProgramVersionRecord);
    const std::size_t fixedStart = 40;
    const std::size_t fixedEnd = fixedStart + kFixedFileInfoSize;
    for (std::size_t at = 0; at < good.size(); ++at) {
        for (const int change : {0x00, 0xFF, good[at] ^ 0x01, good[at] ^ 0x80}) {
            std::vector<std::uint8_t> bytes = good;
            bytes[at] = static_cast<std::uint8_t>(change);
            const auto record = VersionRecord::Parse(bytes);
            if (!record) {
                continue;
            }
            const std::string version = record->FileVersion();
            EXPECT_TRUE(IsValidUtf8(version)) << "byte " << at;
            if (at >= fixedStart && at < fixedEnd) {
                EXPECT_EQ(version, "1.0.0.0") << "the fixed part does not matter, byte " << at;
            }
        }
    }
}

TEST(VersionRecordRobustness, RandomDataAndDeepNesting) {
    std::mt19937 random(20040101);
    const std::vector<std::uint8_t> good = SerializeVersionRecord(kProgramVersionRecord);
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> bytes;
        if (round % 2 == 0) {
            bytes.resize(random() % 400);
            for (auto& byte : bytes) {
                byte = static_cast<std::uint8_t>(random());
            }
            if (bytes.size() >= 2 && round % 4 == 0) {
                SetWord(bytes, 0, static_cast<std::uint16_t>(bytes.size()));
            }
        } else {
            bytes = good;
            for (int k = 0; k < 8; ++k) {
                bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
            }
        }
        const auto record = VersionRecord::Parse(bytes);
        if (record) {
            EXPECT_TRUE(IsValidUtf8(record->FileVersion()));
        }
    }

    // Nodes nested as deep as the length field allows, each only a header and an empty key.
    const std::size_t depth = 8000;
    std::vector<std::uint8_t> nested(depth * 8, 0);
    for (std::size_t level = 0; level < depth; ++level) {
        SetWord(nested, level * 8, static_cast<std::uint16_t>((depth - level) * 8));
        SetWord(nested, level * 8 + 4, 1);
    }
    const auto record = VersionRecord::Parse(nested);
    ASSERT_TRUE(record.has_value());
    std::size_t levels = 0;
    for (const VersionNode* node = &record->Root(); !node->children.empty();
         node = &node->children.front()) {
        ++levels;
    }
    EXPECT_EQ(levels, static_cast<std::size_t>(VersionRecord::kMaxDepth));
}

}  // namespace
}  // namespace rangwerk
