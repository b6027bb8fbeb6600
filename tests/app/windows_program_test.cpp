// The resources of the Windows program file Rangwerk.exe, read with the system's resource
// functions from the built file.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "app/file_version.h"
#include "base/wide_text.h"

// clang-format off
#include <windows.h>
// clang-format on

namespace rangwerk {
namespace {

#pragma pack(push, 2)
// The entries of an icon group resource (RT_GROUP_ICON).
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
struct IconGroupHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

// The program's path as a Windows path (the build names it with slashes).
std::wstring ProgramFile() {
    wchar_t full[MAX_PATH] = {};
    GetFullPathNameW(WideFromUtf8(RANGWERK_WINDOWS_PROGRAM).c_str(), MAX_PATH, full, nullptr);
    return full;
}

class WindowsProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExW(ProgramFile().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override {
        if (module_ != nullptr)
            FreeLibrary(module_);
    }

    std::pair<const BYTE*, DWORD> Resource(const wchar_t* name, const wchar_t* type) const {
        HRSRC found = FindResourceW(module_, name, type);
        if (found == nullptr)
            return {nullptr, 0};
        return {static_cast<const BYTE*>(LockResource(LoadResource(module_, found))),
                SizeofResource(module_, found)};
    }

    HMODULE module_ = nullptr;
};

TEST_F(WindowsProgramTest, TheIconGroupHoldsFourSizesInThreeColourDepthsEach) {
    const auto [bytes, size] = Resource(L"MAINICON", MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(bytes, nullptr);
    const auto* header = reinterpret_cast<const IconGroupHeader*>(bytes);
    ASSERT_EQ(header->count, 12);
    ASSERT_GE(size, sizeof(IconGroupHeader) + 12 * sizeof(IconGroupEntry));
    const auto* entries = reinterpret_cast<const IconGroupEntry*>(header + 1);
    std::set<std::pair<int, int>> images;
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(entries[i].width, entries[i].height);
        images.insert({entries[i].width, entries[i].bitCount});
        // Each image of the group is in the file.
        EXPECT_NE(Resource(MAKEINTRESOURCEW(entries[i].id), MAKEINTRESOURCEW(3)).first, nullptr);
    }
    std::set<std::pair<int, int>> expected;
    for (int side : {16, 24, 32, 48}) {
        for (int depth : {4, 8, 32}) expected.insert({side, depth});
    }
    EXPECT_EQ(images, expected);
}

TEST_F(WindowsProgramTest, TheManifestAsksForTheCommonControlsSixAndNoExecutionLevel) {
    const auto [bytes, size] = Resource(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(bytes, nullptr);
    const std::string manifest(reinterpret_cast<const char*>(bytes), size);
    const std::size_t controls = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_NE(controls, std::string::npos);
    const std::size_t identityEnd = manifest.find("/>", controls);
    const std::string identity = manifest.substr(controls, identityEnd - controls);
    EXPECT_NE(identity.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(identity.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos);
    EXPECT_EQ(manifest.find("requestedExecutionLevel"), std::string::npos);
    EXPECT_EQ(manifest.find("trustInfo"), std::string::npos);
}

TEST_F(WindowsProgramTest, TheLogoAndTheVersionRecordAreThere) {
    const auto [bytes, size] = Resource(L"LOGO", MAKEINTRESOURCEW(2));  // RT_BITMAP
    ASSERT_NE(bytes, nullptr);
    ASSERT_GE(size, sizeof(BITMAPINFOHEADER));
    const auto* logo = reinterpret_cast<const BITMAPINFOHEADER*>(bytes);
    EXPECT_EQ(logo->biWidth, 142);
    EXPECT_EQ(logo->biHeight, 63);
    EXPECT_EQ(logo->biBitCount, 24);
    EXPECT_EQ(ReadFileVersionOf(Utf8FromWide(ProgramFile())), "1.0.0.0");
}

}  // namespace
}  // namespace rangwerk
