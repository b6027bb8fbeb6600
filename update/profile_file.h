#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rangwerk {

// A profile (INI) file as the Windows profile reader returns it: "[section]" headers, then
// "key=value" lines; ";" at the start of a line begins a comment. Section and key names are
// compared without regard to case (the first of equal names counts); blanks around names and
// values are dropped; one pair of single or double quotes enclosing the whole value is removed;
// a value is cut after 2047 characters. The file is read as Windows-1252 and held as UTF-8.
class ProfileFile {
public:
    static constexpr std::size_t kMaxValueLength = 2047;

    // From the bytes of the file.
    static ProfileFile Parse(std::string_view bytes);
    // From a file of at most `maxBytes` bytes; nothing when it cannot be read or is larger.
    static std::optional<ProfileFile> Load(const std::string& path, std::uint64_t maxBytes);

    // A section counts only when it holds at least one key.
    bool SectionExists(std::string_view section) const;
    std::optional<std::string> ReadValue(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

private:
    struct Entry {
        std::string key;  // UTF-8
        std::string value;
    };
    struct Section {
        std::string name;  // UTF-8
        std::vector<Entry> entries;
    };
    const Section* FindSection(std::string_view name) const;

    std::vector<Section> sections_;
};

}  // namespace rangwerk
