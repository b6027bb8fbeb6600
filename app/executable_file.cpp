#include "app/executable_file.h"

#include <algorithm>

namespace rangwerk {

namespace {

constexpr std::uint32_t kSectionNoBits = 8;       // SHT_NOBITS: occupies no space in the file
constexpr std::uint64_t kExtendedIndex = 0xFFFF;  // SHN_XINDEX

}  // namespace

std::optional<ElfFile> ElfFile::Open(const std::string& path) {
    ElfFile file;
    file.stream_.open(path, std::ios::binary);
    if (!file.stream_) {
        return std::nullopt;
    }
    file.stream_.seekg(0, std::ios::end);
    const std::streamoff size = file.stream_.tellg();
    if (size < 0) {
        return std::nullopt;
    }
    file.fileSize_ = static_cast<std::uint64_t>(size);

    std::vector<std::uint8_t> header;
    if (!file.ReadBytes(0, 16, header) || header[0] != 0x7F || header[1] != 'E' ||
        header[2] != 'L' || header[3] != 'F') {
        return std::nullopt;
    }
    if ((header[4] != 1 && header[4] != 2) || (header[5] != 1 && header[5] != 2)) {
        return std::nullopt;
    }
    file.is64_ = header[4] == 2;
    file.littleEndian_ = header[5] == 1;
    if (!file.ReadBytes(0, file.is64_ ? 64 : 52, header)) {
        return std::nullopt;
    }
    const std::uint8_t* data = header.data();
    file.type_ = static_cast<std::uint16_t>(file.Field(data + 16, 2));
    if (file.is64_) {
        file.sectionTableOffset_ = file.Field(data + 40, 8);
        file.sectionEntrySize_ = file.Field(data + 58, 2);
        file.sectionCount_ = file.Field(data + 60, 2);
        file.sectionNamesIndex_ = file.Field(data + 62, 2);
    } else {
        file.sectionTableOffset_ = file.Field(data + 32, 4);
        file.sectionEntrySize_ = file.Field(data + 46, 2);
        file.sectionCount_ = file.Field(data + 48, 2);
        file.sectionNamesIndex_ = file.Field(data + 50, 2);
    }
    return file;
}

bool ElfFile::ReadBytes(std::uint64_t offset, std::uint64_t count, std::vector<std::uint8_t>& out) {
    if (offset > fileSize_ || count > fileSize_ - offset) {
        return false;
    }
    out.assign(static_cast<std::size_t>(count), 0);
    stream_.clear();
    stream_.seekg(static_cast<std::streamoff>(offset));
    stream_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(count));
    return static_cast<std::uint64_t>(stream_.gcount()) == count;
}

std::uint64_t ElfFile::Field(const std::uint8_t* data, int width) const {
    std::uint64_t value = 0;
    for (int i = 0; i < width; ++i) {
        const std::uint8_t byte = littleEndian_ ? data[width - 1 - i] : data[i];
        value = (value << 8) | byte;
    }
    return value;
}

std::optional<ElfFile::SectionHeader> ElfFile::Section(std::uint64_t index) {
    const std::uint64_t minimumEntrySize = is64_ ? 64 : 40;
    if (sectionTableOffset_ == 0 || sectionEntrySize_ < minimumEntrySize) {
        return std::nullopt;
    }
    if (index > (fileSize_ / sectionEntrySize_)) {
        return std::nullopt;  // cannot lie inside the file; also keeps the product below in range
    }
    std::vector<std::uint8_t> entry;
    if (sectionTableOffset_ > fileSize_ ||
        !ReadBytes(sectionTableOffset_ + index * sectionEntrySize_, minimumEntrySize, entry)) {
        return std::nullopt;
    }
    const std::uint8_t* data = entry.data();
    SectionHeader header;
    header.name = static_cast<std::uint32_t>(Field(data, 4));
    header.type = static_cast<std::uint32_t>(Field(data + 4, 4));
    if (is64_) {
        header.offset = Field(data + 24, 8);
        header.size = Field(data + 32, 8);
        header.link = static_cast<std::uint32_t>(Field(data + 40, 4));
    } else {
        header.offset = Field(data + 16, 4);
        header.size = Field(data + 20, 4);
        header.link = static_cast<std::uint32_t>(Field(data + 24, 4));
    }
    return header;
}

std::optional<std::vector<std::uint8_t>> ElfFile::ReadSection(std::string_view name) {
    // With many sections the count and the index of the name table move into section 0.
    std::uint64_t count = sectionCount_;
    std::uint64_t namesIndex = sectionNamesIndex_;
    if (count == 0 || namesIndex == kExtendedIndex) {
        const std::optional<SectionHeader> first = Section(0);
        if (!first) {
            return std::nullopt;
        }
        if (count == 0) {
            count = first->size;
        }
        if (namesIndex == kExtendedIndex) {
            namesIndex = first->link;
        }
    }
    if (namesIndex >= count) {
        return std::nullopt;
    }
    const std::optional<SectionHeader> namesSection = Section(namesIndex);
    std::vector<std::uint8_t> names;
    if (!namesSection || namesSection->type == kSectionNoBits ||
        !ReadBytes(namesSection->offset, namesSection->size, names)) {
        return std::nullopt;
    }

    for (std::uint64_t index = 0; index < count; ++index) {
        const std::optional<SectionHeader> section = Section(index);
        if (!section) {
            return std::nullopt;
        }
        if (section->name >= names.size()) {
            continue;
        }
        const auto nameStart = names.begin() + section->name;
        const auto nameEnd = std::find(nameStart, names.end(), std::uint8_t{0});
        if (nameEnd == names.end() || !std::equal(nameStart, nameEnd, name.begin(), name.end(),
                                                  [](std::uint8_t byte, char c) {
                                                      return byte == static_cast<std::uint8_t>(c);
                                                  })) {
            continue;
        }
        std::vector<std::uint8_t> contents;
        if (section->type == kSectionNoBits) {
            return contents;
        }
        if (!ReadBytes(section->offset, section->size, contents)) {
            return std::nullopt;
        }
        return contents;
    }
    return std::nullopt;
}

}  // namespace rangwerk
