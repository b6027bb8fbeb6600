#include "elf_image.h"

namespace rangwerk::testing {

namespace {

class Writer {
public:
    Writer(std::vector<std::uint8_t>& bytes, bool littleEndian)
        : bytes_(bytes), littleEndian_(littleEndian) {}

    void Put(std::size_t offset, std::uint64_t value, int width) {
        if (bytes_.size() < offset + width) {
            bytes_.resize(offset + width, 0);
        }
        for (int i = 0; i < width; ++i) {
            const int shift = 8 * (littleEndian_ ? i : width - 1 - i);
            bytes_[offset + i] = static_cast<std::uint8_t>(value >> shift);
        }
    }

private:
    std::vector<std::uint8_t>& bytes_;
    bool littleEndian_;
};

struct Placed {
    std::uint32_t name = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t link = 0;
};

}  // namespace

std::vector<std::uint8_t> BuildElfImage(const ElfImageOptions& options,
                                        const std::vector<ElfImageSection>& sections) {
    std::vector<std::uint8_t> image(options.is64 ? 64 : 52, 0);
    Writer writer(image, options.littleEndian);
    image[0] = 0x7F;
    image[1] = 'E';
    image[2] = 'L';
    image[3] = 'F';
    image[4] = options.is64 ? 2 : 1;
    image[5] = options.littleEndian ? 1 : 2;
    image[6] = 1;
    writer.Put(16, options.type, 2);

    std::vector<std::uint8_t> names{0};
    std::vector<Placed> placed(1);  // section 0 is the null section
    for (const ElfImageSection& section : sections) {
        Placed entry;
        entry.name = static_cast<std::uint32_t>(names.size());
        names.insert(names.end(), section.name.begin(), section.name.end());
        names.push_back(0);
        entry.type = section.type;
        entry.offset = image.size();
        entry.size = section.contents.size();
        if (section.type != 8) {
            image.insert(image.end(), section.contents.begin(), section.contents.end());
        }
        placed.push_back(entry);
    }
    Placed nameTable;
    nameTable.name = static_cast<std::uint32_t>(names.size());
    const std::string tableName = ".shstrtab";
    names.insert(names.end(), tableName.begin(), tableName.end());
    names.push_back(0);
    nameTable.type = 3;  // SHT_STRTAB
    nameTable.offset = image.size();
    nameTable.size = names.size();
    image.insert(image.end(), names.begin(), names.end());
    placed.push_back(nameTable);

    const std::size_t count = placed.size();
    const std::size_t namesIndex = count - 1;
    if (options.extendedNumbering) {
        placed[0].size = count;
        placed[0].link = static_cast<std::uint32_t>(namesIndex);
    }

    while (image.size() % 8 != 0) {
        image.push_back(0);
    }
    const std::size_t tableOffset = image.size();
    const std::size_t entrySize = options.is64 ? 64 : 40;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = tableOffset + i * entrySize;
        const Placed& entry = placed[i];
        writer.Put(at, entry.name, 4);
        writer.Put(at + 4, entry.type, 4);
        if (options.is64) {
            writer.Put(at + 24, entry.offset, 8);
            writer.Put(at + 32, entry.size, 8);
            writer.Put(at + 40, entry.link, 4);
            writer.Put(at + 56, 0, 8);
        } else {
            writer.Put(at + 16, entry.offset, 4);
            writer.Put(at + 20, entry.size, 4);
            writer.Put(at + 24, entry.link, 4);
            writer.Put(at + 36, 0, 4);
        }
    }

    const std::uint64_t shownCount = options.extendedNumbering ? 0 : count;
    const std::uint64_t shownNamesIndex = options.extendedNumbering ? 0xFFFF : namesIndex;
    if (options.is64) {
        writer.Put(40, tableOffset, 8);
        writer.Put(52, 64, 2);
        writer.Put(58, entrySize, 2);
        writer.Put(60, shownCount, 2);
        writer.Put(62, shownNamesIndex, 2);
    } else {
        writer.Put(32, tableOffset, 4);
        writer.Put(40, 52, 2);
        writer.Put(46, entrySize, 2);
        writer.Put(48, shownCount, 2);
        writer.Put(50, shownNamesIndex, 2);
    }
    return image;
}

std::uint64_t SectionTableOffset(const std::vector<std::uint8_t>& image,
                                 const ElfImageOptions& options) {
    const std::size_t at = options.is64 ? 40 : 32;
    const int width = options.is64 ? 8 : 4;
    std::uint64_t value = 0;
    for (int i = 0; i < width; ++i) {
        const std::uint8_t byte = options.littleEndian ? image[at + width - 1 - i] : image[at + i];
        value = (value << 8) | byte;
    }
    return value;
}

}  // namespace rangwerk::testing
