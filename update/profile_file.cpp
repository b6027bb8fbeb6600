#include "update/profile_file.h"

#include <filesystem>
#include <fstream>

#include "base/text.h"

namespace rangwerk {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

ProfileFile ProfileFile::Parse(std::string_view bytes) {
    ProfileFile file;
    Section* current = nullptr;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos) {
            end = bytes.size();
        }
        std::string_view line = bytes.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        line = TrimBlanks(line);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const auto close = line.find(']');
            const auto name =
                TrimBlanks(line.substr(1, close == std::string_view::npos ? close : close - 1));
            file.sections_.push_back({Cp1252ToUtf8(name), {}});
            current = &file.sections_.back();
            continue;
        }
        const auto equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos) {
            continue;
        }
        const auto key = TrimBlanks(line.substr(0, equals));
        if (key.empty()) {
            continue;
        }
        auto value = Unquoted(TrimBlanks(line.substr(equals + 1)));
        if (value.size() > kMaxValueLength) {
            value = value.substr(0, kMaxValueLength);
        }
        current->entries.push_back({Cp1252ToUtf8(key), Cp1252ToUtf8(value)});
    }
    return file;
}

std::optional<ProfileFile> ProfileFile::Load(const std::string& path, std::uint64_t maxBytes) {
    const std::filesystem::path file(std::u8string(path.begin(), path.end()));
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[64 * 1024];
    for (;;) {
        in.read(buffer, sizeof buffer);
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0) {
            break;
        }
        if (bytes.size() + got > maxBytes) {
            return std::nullopt;  // larger than allowed: not read any further
        }
        bytes.append(buffer, got);
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return Parse(bytes);
}

const ProfileFile::Section* ProfileFile::FindSection(std::string_view name) const {
    for (const Section& section : sections_) {
        if (EqualIgnoringCase(section.name, name)) {
            return &section;
        }
    }
    return nullptr;
}

bool ProfileFile::SectionExists(std::string_view section) const {
    const Section* found = FindSection(section);
    return found != nullptr && !found->entries.empty();
}

std::optional<std::string> ProfileFile::ReadValue(std::string_view section,
                                                  std::string_view key) const {
    const Section* found = FindSection(section);
    if (found == nullptr) {
        return std::nullopt;
    }
    for (const Entry& entry : found->entries) {
        if (EqualIgnoringCase(entry.key, key)) {
            return entry.value;
        }
    }
    return std::nullopt;
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    auto value = ReadValue(section, key);
    return value ? std::move(*value) : std::string(defaultValue);
}

}  // namespace rangwerk
