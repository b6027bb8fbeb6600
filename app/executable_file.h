#pragma once

// Reading sections of ELF program files from disk (32- and 64-bit, either byte order). Every
// offset and size in the file is checked against the file's length before it is used.

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rangwerk {

class ElfFile {
public:
    static constexpr std::uint16_t kTypeRelocatable = 1;
    static constexpr std::uint16_t kTypeExecutable = 2;
    static constexpr std::uint16_t kTypeShared = 3;  // also position-independent programs

    // Opens the file and reads its ELF header. Empty when the file cannot be read or is no ELF
    // file.
    static std::optional<ElfFile> Open(const std::string& path);

    std::uint16_t Type() const { return type_; }

    // True for files the system can start: executables and position-independent executables
    // (which share their type with shared libraries).
    bool IsProgram() const { return type_ == kTypeExecutable || type_ == kTypeShared; }

    // The contents of the first section of that name; no bytes when the section occupies no
    // space in the file. Empty when there is no such section or the section table is damaged.
    std::optional<std::vector<std::uint8_t>> ReadSection(std::string_view name);

private:
    struct SectionHeader {
        std::uint32_t name = 0;
        std::uint32_t type = 0;
        std::uint64_t offset = 0;
        std::uint64_t size = 0;
        std::uint32_t link = 0;
    };

    ElfFile() = default;

    bool ReadBytes(std::uint64_t offset, std::uint64_t count, std::vector<std::uint8_t>& out);
    std::uint64_t Field(const std::uint8_t* data, int width) const;
    std::optional<SectionHeader> Section(std::uint64_t index);

    std::ifstream stream_;
    std::uint64_t fileSize_ = 0;
    bool is64_ = false;
    bool littleEndian_ = true;
    std::uint16_t type_ = 0;
    std::uint64_t sectionTableOffset_ = 0;
    std::uint64_t sectionEntrySize_ = 0;
    std::uint64_t sectionCount_ = 0;
    std::uint64_t sectionNamesIndex_ = 0;
};

}  // namespace rangwerk
