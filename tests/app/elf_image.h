#pragma once

// Builds small ELF files in memory with the sections a test asks for.

#include <cstdint>
#include <string>
#include <vector>

namespace rangwerk::testing {

struct ElfImageSection {
    std::string name;
    std::vector<std::uint8_t> contents;
    std::uint32_t type = 1;  // SHT_PROGBITS; 8 is SHT_NOBITS
};

struct ElfImageOptions {
    bool is64 = true;
    bool littleEndian = true;
    std::uint16_t type = 3;          // ET_DYN
    bool extendedNumbering = false;  // section count and name index kept in section 0
};

// Header, section contents, section name table and section header table, in this order.
std::vector<std::uint8_t> BuildElfImage(const ElfImageOptions& options,
                                        const std::vector<ElfImageSection>& sections);

// Offset of the section header table in an image built by BuildElfImage.
std::uint64_t SectionTableOffset(const std::vector<std::uint8_t>& image,
                                 const ElfImageOptions& options);

}  // namespace rangwerk::testing
