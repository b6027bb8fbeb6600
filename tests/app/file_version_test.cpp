#include "app/file_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/program_version_record.h"
#include "app/version_record_format.h"
#include "platform/system.h"

#ifdef _WIN32
#include <windows.h>

#include "base/wide_text.h"
#else
#include "app/executable_file.h"
#include "elf_image.h"
#endif

namespace rangwerk {
namespace {

namespace fs = std::filesystem;
#ifndef _WIN32
using testing::BuildElfImage;
using testing::ElfImageOptions;
using testing::ElfImageSection;
#endif

class ProgramFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        directory_ = fs::temp_directory_path() / (std::string("rangwerk_version_") + info->name() +
                                                  "_" + std::to_string(SystemSeedSource().Seed()));
        fs::create_directories(directory_);
    }
    void TearDown() override { fs::remove_all(directory_); }

    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const fs::path path = directory_ / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    static std::vector<std::uint8_t> Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    static std::vector<std::uint8_t> ProgramRecord() {
        return SerializeVersionRecord(kProgramVersionRecord);
    }

    fs::path directory_;
};

// UTF-16LE bytes of an ASCII text, as the record stores it.
std::vector<std::uint8_t> Utf16(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    for (const char c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(0);
    }
    return bytes;
}

#ifdef _WIN32
// One entry of the string table of the program file's version record, as the system reads it.
std::wstring SystemVersionString(const std::vector<std::uint8_t>& info, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040704E4\\") + name;
    if (!VerQueryValueW(info.data(), query.c_str(), &value, &length) || value == nullptr) {
        return L"<missing>";
    }
    const auto* text = static_cast<const wchar_t*>(value);
    return std::wstring(text, wcsnlen(text, length));
}
#endif

// Windows: the record is the resource the resource compiler built from app/rangwerk.rc, read by
// the system (GetFileVersionInfo). Elsewhere: the record in the program file's ELF section.
TEST_F(ProgramFileTest, RunningProgramReportsItsOwnVersion) {
    EXPECT_EQ(ReadFileVersion(), "1.0.0.0");
    EXPECT_EQ(ReadFileVersionOf(ProgramPath()), "1.0.0.0");

#ifdef _WIN32
    const std::wstring path = WideFromUtf8(ProgramPath());
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", &value, &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, kProgramVersionRecord.fixed.fileVersionMs);
    EXPECT_EQ(fixed->dwFileVersionLS, kProgramVersionRecord.fixed.fileVersionLs);
    EXPECT_EQ(fixed->dwProductVersionMS, kProgramVersionRecord.fixed.productVersionMs);

    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(static_cast<const WORD*>(value)[0], 0x0407);
    EXPECT_EQ(static_cast<const WORD*>(value)[1], 1252);

    for (const VersionString& entry : kProgramVersionStrings) {
        EXPECT_EQ(SystemVersionString(info, WideFromUtf8(entry.key).c_str()),
                  WideFromUtf8(entry.value))
            << entry.key;
    }
    EXPECT_EQ(SystemVersionString(info, L"LegalCopyright"),
              L"Copyright \u00A9 2004 Quarv-Software");
#else
    auto file = ElfFile::Open(ProgramPath());
    ASSERT_TRUE(file.has_value());
    EXPECT_TRUE(file->IsProgram());
    EXPECT_EQ(file->ReadSection(kVersionRecordSectionName), ProgramRecord());
#endif
}

TEST_F(ProgramFileTest, VersionComesFromTheFileOnDisk) {
    const std::vector<std::uint8_t> original = Read(ProgramPath());
    const std::vector<std::uint8_t> record = ProgramRecord();

    // Copies of the program with every copy of the record changed by `change`.
    auto changedCopy = [&](const std::string& name, auto change) {
        std::vector<std::uint8_t> program = original;
        int copies = 0;
        for (auto at = program.begin();
             (at = std::search(at, program.end(), record.begin(), record.end())) != program.end();
             at += static_cast<std::ptrdiff_t>(record.size())) {
            change(at, at + static_cast<std::ptrdiff_t>(record.size()));
            ++copies;
        }
        EXPECT_GT(copies, 0);
        return Write(name, program);
    };

    // Another version text: the copy reports it.
    const std::vector<std::uint8_t> oldText = Utf16("1.0.0.0");
    const std::vector<std::uint8_t> newText = Utf16("9.8.7.6");
    const std::string patched = changedCopy("patched", [&](auto begin, auto end) {
        const auto textAt = std::search(begin, end, oldText.begin(), oldText.end());
        ASSERT_NE(textAt, end);
        std::copy(newText.begin(), newText.end(), textAt);
    });
    EXPECT_EQ(ReadFileVersionOf(patched), "9.8.7.6");

    // The translation names code page 1200: no string table matches any more.
    const std::string otherCodePage =
        changedCopy("other_code_page", [](auto, auto end) { *(end - 2) = 0xB0; });
    EXPECT_EQ(ReadFileVersionOf(otherCodePage), "");

    EXPECT_EQ(ReadFileVersion(), "1.0.0.0");
}

TEST_F(ProgramFileTest, FilesWithoutRecordGiveNothing) {
    EXPECT_EQ(ReadFileVersionOf(""), "");
    EXPECT_EQ(ReadFileVersionOf((directory_ / "missing.exe").string()), "");
    EXPECT_EQ(ReadFileVersionOf(directory_.string()), "");
    EXPECT_EQ(ReadFileVersionOf(Write("empty", {})), "");
    const std::string text = "Rangwerk 1.0.0.0\n";
    EXPECT_EQ(ReadFileVersionOf(Write("readme.txt", {text.begin(), text.end()})), "");
    // A bare record is no program file.
    EXPECT_EQ(ReadFileVersionOf(Write("record.bin", ProgramRecord())), "");

    for (const char* system : {"/bin/true", "/usr/bin/true"}) {
        if (fs::exists(system)) {
            const fs::path copy = directory_ / "true";
            fs::copy_file(system, copy);
            EXPECT_EQ(ReadFileVersionOf(copy.string()), "");
            break;
        }
    }
}

#ifndef _WIN32
// The ELF reader exists only where programs are ELF files.
TEST_F(ProgramFileTest, ReadsEveryElfClassAndByteOrder) {
    for (const bool is64 : {false, true}) {
        for (const bool little : {false, true}) {
            for (const bool extended : {false, true}) {
                ElfImageOptions options{
                    .is64 = is64, .littleEndian = little, .type = 2, .extendedNumbering = extended};
                const auto image = BuildElfImage(
                    options, {{".text", {0x90, 0x90}},
                              {std::string(kVersionRecordSectionName), ProgramRecord()}});
                EXPECT_EQ(ReadFileVersionOf(Write("program", image)), "1.0.0.0")
                    << is64 << little << extended;
            }
        }
    }
}

TEST_F(ProgramFileTest, DamagedOrUnsuitableElfFilesGiveNothing) {
    const std::string section(kVersionRecordSectionName);
    const ElfImageOptions program;
    auto versionOf = [&](const std::vector<std::uint8_t>& image) {
        return ReadFileVersionOf(Write("image", image));
    };
    const auto good = BuildElfImage(program, {{section, ProgramRecord()}});
    ASSERT_EQ(versionOf(good), "1.0.0.0");

    ElfImageOptions objectFile;
    objectFile.type = 1;  // relocatable: not a program
    EXPECT_EQ(versionOf(BuildElfImage(objectFile, {{section, ProgramRecord()}})), "");
    EXPECT_EQ(versionOf(BuildElfImage(program, {{".data", ProgramRecord()}})), "");
    EXPECT_EQ(versionOf(BuildElfImage(program, {{section + "2", ProgramRecord()}})), "");
    EXPECT_EQ(versionOf(BuildElfImage(program, {{section, {}}})), "");
    EXPECT_EQ(versionOf(BuildElfImage(program, {{section, ProgramRecord(), 8}})), "");

    // Cut inside the section header table, before it, and inside the ELF header.
    const auto tableAt = testing::SectionTableOffset(good, program);
    EXPECT_EQ(versionOf({good.begin(), good.begin() + static_cast<std::ptrdiff_t>(tableAt + 70)}),
              "");
    EXPECT_EQ(versionOf({good.begin(), good.begin() + 200}), "");
    EXPECT_EQ(versionOf({good.begin(), good.begin() + 10}), "");

    // Section contents said to lie beyond the end of the file, or to wrap around.
    for (const std::uint64_t offset : {std::uint64_t{1} << 40, ~std::uint64_t{0} - 8}) {
        auto image = good;
        const std::size_t entry = tableAt + 64;  // section 1
        for (int i = 0; i < 8; ++i) {
            image[entry + 24 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
        }
        EXPECT_EQ(versionOf(image), "");
    }

    // A section name table index or a section table offset beyond the file.
    auto image = good;
    image[63] = 0x70;
    EXPECT_EQ(versionOf(image), "");
    image = good;
    image[47] = 0x7F;
    EXPECT_EQ(versionOf(image), "");
}

#endif

}  // namespace
}  // namespace rangwerk
