#ifndef _WIN32

#include "platform/registry_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <map>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "base/text.h"

namespace rangwerk {

namespace registry_file_detail {

constexpr std::uint32_t kTypeString = 1;  // REG_SZ
constexpr std::uint32_t kTypeBinary = 3;  // REG_BINARY
constexpr std::uint32_t kTypeDword = 4;   // REG_DWORD

constexpr std::string_view kFileHeader = "Windows Registry Editor Version 5.00";

struct Value {
    std::string name;
    std::uint32_t type = kTypeString;
    std::string text;                 // kTypeString
    std::uint32_t dword = 0;          // kTypeDword
    std::vector<std::uint8_t> bytes;  // every other type

    bool SameData(const Value& other) const {
        return type == other.type && text == other.text && dword == other.dword &&
               bytes == other.bytes;
    }
};

using Path = std::vector<std::string>;

struct Key {
    Path path;  // as first written
    std::vector<Value> values;
};

// Registry names compare without letter case.
Path FoldPath(const Path& path) {
    Path folded;
    folded.reserve(path.size());
    for (const auto& name : path) {
        folded.push_back(FoldCaseText(name));
    }
    return folded;
}

// The contents of one root. The root key itself has the empty path and is always present.
struct Hive {
    std::map<Path, Key> keys;  // by folded path; a key follows its parent in this order

    Hive() { keys[{}] = Key{}; }

    Key* Find(const Path& path) {
        auto it = keys.find(FoldPath(path));
        return it == keys.end() ? nullptr : &it->second;
    }

    // Creates the key and its missing parents; returns whether anything was created.
    bool Create(const Path& path, Key** result = nullptr) {
        bool created = false;
        Key* key = &keys[{}];
        for (const auto& name : path) {
            Path next = key->path;  // existing keys keep their spelling
            next.push_back(name);
            auto [it, inserted] = keys.try_emplace(FoldPath(next), Key{next, {}});
            created = created || inserted;
            key = &it->second;
        }
        if (result != nullptr) {
            *result = key;
        }
        return created;
    }

    // Removes the key and everything below it; returns whether it existed.
    bool RemoveTree(const Path& path) {
        Path folded = FoldPath(path);
        auto it = keys.find(folded);
        if (it == keys.end()) {
            return false;
        }
        while (it != keys.end() && it->first.size() >= folded.size() &&
               std::equal(folded.begin(), folded.end(), it->first.begin())) {
            it = keys.erase(it);
        }
        return true;
    }
};

Value* FindValue(Key& key, const std::string& name) {
    std::string folded = FoldCaseText(name);
    for (auto& value : key.values) {
        if (FoldCaseText(value.name) == folded) {
            return &value;
        }
    }
    return nullptr;
}

// Sets the value, keeping its place when it exists; returns whether anything changed.
bool SetValue(Key& key, Value value) {
    if (Value* existing = FindValue(key, value.name)) {
        if (existing->SameData(value)) {
            return false;
        }
        value.name = existing->name;
        *existing = std::move(value);
        return true;
    }
    key.values.push_back(std::move(value));
    return true;
}

// ---- UTF-16LE for the hex(1) form ----

std::vector<std::uint8_t> Utf16leWithTerminator(std::string_view text) {
    const std::string units = Utf8ToUtf16Le(text);
    std::vector<std::uint8_t> bytes(units.begin(), units.end());
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

// The text of UTF-16LE data without its terminating zero unit, if it has one.
std::string TextFromUtf16le(const std::vector<std::uint8_t>& bytes) {
    std::string_view units(reinterpret_cast<const char*>(bytes.data()), bytes.size() / 2 * 2);
    if (units.ends_with(std::string_view("\0\0", 2))) {
        units.remove_suffix(2);
    }
    return Utf16LeToUtf8(units);
}

// ---- writing the file ----

bool HasControlCharacter(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) < 0x20) {
            return true;
        }
    }
    return false;
}

std::string Quoted(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
    return out;
}

std::string HexList(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0xF];
    }
    return out;
}

std::string ValueLine(const Value& value) {
    std::string line = value.name.empty() ? "@" : Quoted(value.name);
    line += '=';
    char buffer[16];
    switch (value.type) {
        case kTypeString:
            if (HasControlCharacter(value.text)) {
                line += "hex(1):" + HexList(Utf16leWithTerminator(value.text));
            } else {
                line += Quoted(value.text);
            }
            break;
        case kTypeDword:
            std::snprintf(buffer, sizeof buffer, "dword:%08x", static_cast<unsigned>(value.dword));
            line += buffer;
            break;
        case kTypeBinary:
            line += "hex:" + HexList(value.bytes);
            break;
        default:
            std::snprintf(buffer, sizeof buffer, "hex(%x):", static_cast<unsigned>(value.type));
            line += buffer + HexList(value.bytes);
            break;
    }
    return line;
}

std::string Serialize(const Hive& hive, RegistryRoot root) {
    std::string out(kFileHeader);
    out += "\n\n";
    for (const auto& [folded, key] : hive.keys) {
        if (key.path.empty() && key.values.empty()) {
            continue;
        }
        out += '[';
        out += RegistryRootName(root);
        for (const auto& name : key.path) {
            out += '\\';
            out += name;
        }
        out += "]\n";
        for (const auto& value : key.values) {
            out += ValueLine(value);
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

// ---- reading the file ----

class LineParser {
public:
    explicit LineParser(std::string_view line) : s_(line) {}

    bool AtEnd() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) {
            ++pos_;
        }
        return pos_ == s_.size();
    }

    bool Take(std::string_view expected) {
        if (s_.substr(pos_, expected.size()) == expected) {
            pos_ += expected.size();
            return true;
        }
        return false;
    }

    // A text between double quotes in which \\ and \" stand for \ and ".
    bool QuotedText(std::string& out) {
        if (!Take("\"")) {
            return false;
        }
        out.clear();
        while (pos_ < s_.size()) {
            char c = s_[pos_++];
            if (c == '"') {
                return true;
            }
            if (c == '\\' && pos_ < s_.size() && (s_[pos_] == '\\' || s_[pos_] == '"')) {
                c = s_[pos_++];
            }
            out += c;
        }
        return false;
    }

    bool HexNumber(std::uint32_t& out, std::size_t maxDigits) {
        std::size_t digits = 0;
        out = 0;
        while (pos_ < s_.size() && digits < maxDigits) {
            int d = HexDigit(s_[pos_]);
            if (d < 0) {
                break;
            }
            out = (out << 4) | static_cast<std::uint32_t>(d);
            ++pos_;
            ++digits;
        }
        return digits > 0;
    }

    // Comma-separated two-digit hex bytes; `continued` tells whether the line ends in a backslash.
    bool HexBytes(std::vector<std::uint8_t>& out, bool& continued) {
        continued = false;
        while (!AtEnd()) {
            if (Take("\\")) {
                continued = true;
                return AtEnd();
            }
            std::uint32_t byte = 0;
            std::size_t start = pos_;
            if (!HexNumber(byte, 2) || pos_ - start != 2) {
                return false;
            }
            out.push_back(static_cast<std::uint8_t>(byte));
            if (AtEnd()) {
                return true;
            }
            if (!Take(",")) {
                return false;
            }
        }
        return true;
    }

private:
    static int HexDigit(char c) {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return -1;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
};

std::vector<std::string_view> SplitLines(std::string_view content) {
    std::vector<std::string_view> lines;
    while (!content.empty()) {
        std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        content.remove_prefix(end + 1);
    }
    return lines;
}

Path SplitPath(std::string_view path) {
    Path names;
    while (!path.empty()) {
        std::size_t end = path.find('\\');
        std::string_view name = path.substr(0, end);
        if (!name.empty()) {
            names.emplace_back(name);
        }
        if (end == std::string_view::npos) {
            break;
        }
        path.remove_prefix(end + 1);
    }
    return names;
}

constexpr std::string_view kOldFileHeader = "REGEDIT4";

// One section of a file: a key with its value lines, or the deletion of a key.
struct Section {
    bool removeKey = false;
    Path path;
    std::string name;  // as written between the brackets
    std::vector<Value> values;
    std::vector<std::string> removedValues;  // "name"=-, in file order with the values
    std::vector<bool> isRemoval;             // per value line: a removal or a value
};

struct ParseResult {
    bool known = true;                   // false: no known header, the file is unreadable
    std::string header;                  // the header line as found
    std::string asideText;               // the lines of the sections that cannot be read
    std::vector<std::string> asideKeys;  // the names of those sections
};

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

// The file's text as UTF-8: UTF-16LE after its byte order mark is converted, a UTF-8 byte order
// mark is dropped.
std::string FileText(std::string_view raw) {
    if (raw.size() >= 2 && raw[0] == '\xFF' && raw[1] == '\xFE') {
        return Utf16LeToUtf8(raw.substr(2));
    }
    if (raw.substr(0, 3) == "\xEF\xBB\xBF") {
        raw.remove_prefix(3);
    }
    return std::string(raw);
}

// "[ROOT\path]" or "[-ROOT\path]"; false when the line is no section header of this root.
bool ParseSectionHeader(std::string_view line, const std::string& rootName, Section& section) {
    std::size_t close = line.find_last_of(']');
    if (close == std::string_view::npos || !TrimRight(line.substr(close + 1)).empty()) {
        return false;
    }
    std::string_view full = line.substr(1, close - 1);
    if (!full.empty() && full.front() == '-') {
        section.removeKey = true;
        full.remove_prefix(1);
    }
    section.name = std::string(full);
    std::string_view rootPart = full.substr(0, full.find('\\'));
    if (FoldCaseText(rootPart) != FoldCaseText(rootName)) {
        return false;
    }
    full.remove_prefix(rootPart.size());
    section.path = SplitPath(full);
    // The root itself cannot be deleted.
    return !(section.removeKey && section.path.empty());
}

// Reads the value line at `i` and the lines a hex list continues on (`i` is left at the last
// line read). False when it cannot be read. `oldFormat`: hex(1), hex(2) and hex(7) data are
// single Windows-1252 bytes, as "REGEDIT4" files hold them.
bool ParseValueLine(const std::vector<std::string_view>& lines, std::size_t& i, bool oldFormat,
                    Section& section) {
    LineParser p(lines[i]);
    Value value;
    if (!p.Take("@") && !p.QuotedText(value.name)) {
        return false;
    }
    p.AtEnd();
    if (!p.Take("=")) {
        return false;
    }
    p.AtEnd();
    if (p.Take("-")) {
        if (!p.AtEnd()) {
            return false;
        }
        section.removedValues.push_back(value.name);
        section.isRemoval.push_back(true);
        return true;
    }
    if (p.QuotedText(value.text)) {
        value.type = kTypeString;
    } else if (p.Take("dword:")) {
        value.type = kTypeDword;
        if (!p.HexNumber(value.dword, 8)) {
            return false;
        }
    } else {
        if (p.Take("hex:")) {
            value.type = kTypeBinary;
        } else if (p.Take("hex(")) {
            if (!p.HexNumber(value.type, 8) || !p.Take("):")) {
                return false;
            }
        } else {
            return false;
        }
        bool continued = false;
        if (!p.HexBytes(value.bytes, continued)) {
            return false;
        }
        while (continued) {
            // The list ends at a blank line or a section: incomplete, and that line is left
            // to the caller.
            if (i + 1 >= lines.size() || LineParser(lines[i + 1]).AtEnd() ||
                lines[i + 1].front() == '[') {
                return false;
            }
            LineParser next(lines[++i]);
            if (!next.HexBytes(value.bytes, continued)) {
                return false;
            }
        }
        const bool text = value.type == kTypeString || value.type == 2 || value.type == 7;
        if (oldFormat && text) {
            // Single bytes with a terminating zero: as text, or as the UTF-16LE of today.
            std::string decoded = Cp1252ToUtf8(std::string_view(
                reinterpret_cast<const char*>(value.bytes.data()), value.bytes.size()));
            if (value.type == kTypeString) {
                if (!decoded.empty() && decoded.back() == '\0') {
                    decoded.pop_back();
                }
                value.text = decoded;
                value.bytes.clear();
            } else {
                const std::string wide = Utf8ToUtf16Le(decoded);
                value.bytes.assign(wide.begin(), wide.end());
            }
        } else if (value.type == kTypeString) {
            value.text = TextFromUtf16le(value.bytes);
            value.bytes.clear();
        } else if (value.type == kTypeDword && value.bytes.size() == 4) {
            value.dword = value.bytes[0] | (value.bytes[1] << 8) | (value.bytes[2] << 16) |
                          (static_cast<std::uint32_t>(value.bytes[3]) << 24);
            value.bytes.clear();
        } else if (value.type == kTypeDword) {
            return false;  // a number of another width than four bytes
        }
    }
    if (!p.AtEnd()) {
        return false;
    }
    section.values.push_back(std::move(value));
    section.isRemoval.push_back(false);
    return true;
}

void ApplySection(Section& section, Hive& hive) {
    if (section.removeKey) {
        hive.RemoveTree(section.path);
        return;
    }
    Key* key = nullptr;
    hive.Create(section.path, &key);
    std::size_t value = 0;
    std::size_t removal = 0;
    for (bool isRemoval : section.isRemoval) {
        if (isRemoval) {
            const std::string folded = FoldCaseText(section.removedValues[removal++]);
            std::erase_if(key->values,
                          [&](const Value& v) { return FoldCaseText(v.name) == folded; });
        } else {
            SetValue(*key, std::move(section.values[value++]));
        }
    }
}

// Fills `hive` from the file's bytes. A section with a line that cannot be read is left out
// and handed back in the result; a file without a known header is unreadable as a whole.
ParseResult Parse(std::string_view raw, RegistryRoot root, Hive& hive) {
    ParseResult result;
    std::string text = FileText(raw);
    if (text.empty()) {
        return result;
    }
    std::vector<std::string_view> lines = SplitLines(text);
    const std::string_view header = lines.empty() ? std::string_view() : TrimRight(lines[0]);
    const bool oldFormat = header == kOldFileHeader;
    if (!oldFormat && header != kFileHeader) {
        result.known = false;
        return result;
    }
    result.header = std::string(header);
    if (oldFormat && !IsValidUtf8(text)) {
        text = Cp1252ToUtf8(text);
        lines = SplitLines(text);
    }

    const std::string rootName = RegistryRootName(root);
    std::optional<Section> section;
    bool unreadable = false;
    std::size_t sectionStart = 0;
    auto finish = [&](std::size_t end) {
        if (unreadable) {
            for (std::size_t k = sectionStart; k < end; ++k) {
                result.asideText += lines[k];
                result.asideText += '\n';
            }
            result.asideText += '\n';
            result.asideKeys.push_back(!section ? std::string("(vor dem ersten Schlüssel)")
                                       : section->name.empty() ? std::string(lines[sectionStart])
                                                               : section->name);
        } else if (section) {
            ApplySection(*section, hive);
        }
        section.reset();
        unreadable = false;
    };
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        LineParser blank(line);
        if (blank.AtEnd() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            finish(i);
            sectionStart = i;
            section.emplace();
            unreadable = !ParseSectionHeader(line, rootName, *section);
            continue;
        }
        if (!section && !unreadable) {
            // Values before any key belong to none: they are set aside by themselves.
            sectionStart = i;
            unreadable = true;
        }
        if (unreadable) {
            continue;
        }
        if (section->removeKey || !ParseValueLine(lines, i, oldFormat, *section)) {
            unreadable = true;
        }
    }
    finish(lines.size());
    return result;
}

}  // namespace registry_file_detail

using namespace registry_file_detail;

namespace {

std::string SystemMessage(int error) {
    return std::strerror(error);
}

std::string KeyDisplayName(RegistryRoot root, const Path& path) {
    std::string name = RegistryRootName(root);
    for (const auto& part : path) {
        name += '\\';
        name += part;
    }
    return name;
}

void CheckName(const std::string& name, RegistryRoot root, const Path& path) {
    if (HasControlCharacter(name)) {
        throw RegistryError("Der Name \"" + name + "\" ist im Registrierungsschlüssel \"" +
                            KeyDisplayName(root, path) + "\" nicht zulässig.");
    }
}

Path CheckedPath(const std::string& text, RegistryRoot root, const Path& base) {
    Path path = SplitPath(text);
    for (const auto& name : path) {
        CheckName(name, root, base);
    }
    return path;
}

// A file descriptor closed on destruction.
class FileHandle {
public:
    explicit FileHandle(int fd = -1) : fd_(fd) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_;
};

enum class ReadResult { Ok, Missing, Failed };

ReadResult ReadWholeFile(const std::filesystem::path& file, std::string& content, int& error) {
    FileHandle fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        error = errno;
        return error == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    }
    content.clear();
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = errno;
            return ReadResult::Failed;
        }
        if (n == 0) {
            return ReadResult::Ok;
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
}

std::filesystem::path AsideName(const std::filesystem::path& file) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::filesystem::path aside = file.string() + ".corrupt-" + stamp;
    for (int n = 2; std::filesystem::exists(aside); ++n) {
        aside = file.string() + ".corrupt-" + stamp + "-" + std::to_string(n);
    }
    return aside;
}

}  // namespace

// ---- FileRegistry ----

FileRegistry::FileRegistry(std::filesystem::path folder, FileCalls& calls)
    : folder_(std::move(folder)), calls_(calls) {
    IgnoreFileSizeSignal();
}

FileRegistry::~FileRegistry() {
    // Keys flush when they close; this catches steps of keys that failed to, or were held.
    held_ = 0;
    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        if (!Pending(root).empty()) {
            try {
                Access(root, true, [](Hive&) { return false; });
            } catch (const std::exception& e) {
                Report(e.what());
            }
        }
    }
}

void FileRegistry::ReleaseChanges() {
    if (held_ == 0 || --held_ > 0)
        return;
    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        if (Pending(root).empty())
            continue;
        try {
            Access(root, true, [](Hive&) { return false; });
        } catch (const std::exception& e) {
            Report(e.what());
        }
    }
}

std::vector<std::function<bool(Hive&)>>& FileRegistry::Pending(RegistryRoot root) {
    return pending_[root == RegistryRoot::CurrentUser ? 0 : 1];
}

std::filesystem::path FileRegistry::DefaultRegistryFolder() {
    if (const char* dir = std::getenv("RANGWERK_REGISTRY_DIR"); dir != nullptr && *dir != '\0') {
        return dir;
    }
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/') {
        return std::filesystem::path(data) / "rangwerk" / "registry";
    }
    std::filesystem::path home;
    if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') {
        home = h;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        home = pw->pw_dir;
    }
    return home / ".local" / "share" / "rangwerk" / "registry";
}

std::filesystem::path FileRegistry::FileOf(RegistryRoot root) const {
    return folder_ / (std::string(RegistryRootName(root)) + ".reg");
}

RegistryError FileRegistry::WriteFailure(RegistryRoot root, const std::string& reason) const {
    return RegistryError("Die Registrierungsdatei \"" + FileOf(root).string() +
                         "\" konnte nicht geschrieben werden: " + reason + ".");
}

void FileRegistry::Report(const std::string& message) {
    std::cerr << "Rangwerk: " << message << "\n";
    problems_.push_back(message);
}

std::vector<std::string> FileRegistry::TakeProblems() {
    return std::exchange(problems_, {});
}

void FileRegistry::RemoveStaleTemporaries(const std::filesystem::path& file) const {
    // Called under the lock: no writer is at work, so every temporary file of this store was
    // left by one that ended before it could rename it.
    const std::string name = file.filename().string();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ec)) {
        const std::string other = entry.path().filename().string();
        if (other.rfind("." + name + ".tmp-", 0) == 0 || other.rfind(name + ".tmp-", 0) == 0) {
            std::filesystem::remove(entry.path(), ec);
        }
    }
}

std::string FileRegistry::Access(RegistryRoot root, bool change,
                                 const std::function<bool(Hive&)>& action) {
    const std::filesystem::path file = FileOf(root);

    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    // Why the file must not be replaced in this access; empty when it may be.
    std::string cannotReplace;

    std::string lockName = file.string() + ".lock";
    FileHandle lock(::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() < 0) {
        cannotReplace = SystemMessage(errno);
        // A folder that cannot be written can still be read; the lock file may be there.
        lock.reset(::open(lockName.c_str(), O_RDONLY | O_CLOEXEC));
    }
    if (lock.get() >= 0) {
        while (::flock(lock.get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                cannotReplace = SystemMessage(errno);
                break;
            }
        }
    }

    Hive hive;
    std::string content;
    int error = 0;
    bool& reported = corruptionReported_[root == RegistryRoot::CurrentUser ? 0 : 1];
    switch (ReadWholeFile(file, content, error)) {
        case ReadResult::Missing:
            break;
        case ReadResult::Failed:
            cannotReplace = SystemMessage(error);
            break;
        case ReadResult::Ok: {
            ParseResult parsed = Parse(content, root, hive);
            if (!parsed.known) {
                hive = Hive{};
                std::filesystem::path aside = AsideName(file);
                if (::rename(file.c_str(), aside.c_str()) == 0) {
                    Report("Die Registrierungsdatei \"" + file.string() +
                           "\" ist beschädigt; sie wurde als \"" + aside.string() +
                           "\" beiseitegelegt und wird als leer behandelt.");
                    reported = false;
                } else {
                    if (!reported) {
                        Report("Die Registrierungsdatei \"" + file.string() +
                               "\" ist beschädigt und konnte nicht beiseitegelegt werden (" +
                               SystemMessage(errno) + "); sie wird als leer behandelt.");
                        reported = true;
                    }
                    cannotReplace = "die beschädigte Datei konnte nicht beiseitegelegt werden";
                }
                break;
            }
            if (parsed.asideKeys.empty()) {
                break;
            }
            // The unreadable sections go to a file of their own, and the store is written
            // again without them; the other keys stay as they are.
            std::string keys;
            for (const auto& name : parsed.asideKeys) {
                keys += (keys.empty() ? "" : ", ") + name;
            }
            if (cannotReplace.empty()) {
                const std::filesystem::path aside = AsideName(file);
                try {
                    ReplaceFileContents(aside.string(), parsed.header + "\n\n" + parsed.asideText,
                                        calls_, 0600);
                    try {
                        ReplaceFileContents(file.string(), Serialize(hive, root), calls_, 0600,
                                            FlushFolder::No);
                    } catch (const FileReplaceError&) {
                        ::unlink(aside.c_str());
                        throw;
                    }
                    Report("Die Registrierungsdatei \"" + file.string() +
                           "\" enthält Zeilen, die nicht gelesen werden können. Die Schlüssel, zu "
                           "denen sie gehören (" +
                           keys + "), wurden in \"" + aside.string() +
                           "\" beiseitegelegt; alle anderen Schlüssel gelten weiter.");
                    reported = false;
                } catch (const FileReplaceError& e) {
                    cannotReplace = SystemMessage(e.error());
                }
            }
            if (!cannotReplace.empty() && !reported) {
                Report("Die Registrierungsdatei \"" + file.string() +
                       "\" enthält Zeilen, die nicht gelesen werden können (Schlüssel " + keys +
                       "); sie konnten nicht beiseitegelegt werden (" + cannotReplace +
                       ") und werden übergangen.");
                reported = true;
            }
            break;
        }
    }

    // The changes not yet written, then the action.
    auto& pending = pending_[root == RegistryRoot::CurrentUser ? 0 : 1];
    bool changed = false;
    for (const auto& step : pending) {
        changed = step(hive) || changed;
    }
    if (change) {
        pending.clear();  // written now, or failed and reported to the caller
    }
    changed = action(hive) || changed;
    if (change && changed) {
        if (!cannotReplace.empty()) {
            throw WriteFailure(root, cannotReplace);
        }
        RemoveStaleTemporaries(file);
        try {
            ReplaceFileContents(file.string(), Serialize(hive, root), calls_, 0600,
                                FlushFolder::No);
        } catch (const FileReplaceError& e) {
            throw WriteFailure(root, SystemMessage(e.error()));
        }
    }
    return cannotReplace;
}

// ---- FileRegistryKey ----

// Changes are collected by the registry as steps on the root's contents and written together
// when a key of the root is flushed or closed; every access sees them on top of the file as it
// is now.
class FileRegistryKey : public RegistryKey {
public:
    FileRegistryKey(FileRegistry& registry, RegistryRoot root, Path path)
        : registry_(registry), root_(root), path_(std::move(path)) {}

    ~FileRegistryKey() override {
        try {
            Flush();
        } catch (const std::exception& e) {
            registry_.Report(e.what());
        }
    }

    bool ValueExists(const std::string& name) const override {
        return Lookup(name, [](const Value&) { return true; }).value_or(false);
    }

    std::optional<std::string> ReadString(const std::string& name) const override {
        std::optional<std::string> result;
        Lookup(name, [&](const Value& v) {
            if (v.type == kTypeString) {
                result = v.text;
            }
            return true;
        });
        return result;
    }

    std::optional<std::uint32_t> ReadDword(const std::string& name) const override {
        std::optional<std::uint32_t> result;
        Lookup(name, [&](const Value& v) {
            if (v.type == kTypeDword) {
                result = v.dword;
            }
            return true;
        });
        return result;
    }

    std::optional<std::vector<std::uint8_t>> ReadBinary(const std::string& name) const override {
        std::optional<std::vector<std::uint8_t>> result;
        Lookup(name, [&](const Value& v) {
            if (v.type == kTypeBinary) {
                result = v.bytes;
            }
            return true;
        });
        return result;
    }

    void WriteString(const std::string& name, const std::string& data) override {
        Value v;
        v.type = kTypeString;
        v.text = data;
        Write(name, std::move(v));
    }

    void WriteDword(const std::string& name, std::uint32_t data) override {
        Value v;
        v.type = kTypeDword;
        v.dword = data;
        Write(name, std::move(v));
    }

    void WriteBinary(const std::string& name, const std::vector<std::uint8_t>& data) override {
        Value v;
        v.type = kTypeBinary;
        v.bytes = data;
        Write(name, std::move(v));
    }

    bool DeleteValue(const std::string& name) override {
        bool existed = false;
        const std::string why = registry_.Access(root_, false, [&](Hive& hive) {
            Key* key = hive.Find(path_);
            existed = key != nullptr && FindValue(*key, name) != nullptr;
            return false;
        });
        if (!existed) {
            return false;
        }
        if (!why.empty()) {
            throw registry_.WriteFailure(root_, why);
        }
        registry_.Pending(root_).push_back([path = path_, folded = FoldCaseText(name)](Hive& hive) {
            Key* key = hive.Find(path);
            return key != nullptr && std::erase_if(key->values, [&](const Value& v) {
                                         return FoldCaseText(v.name) == folded;
                                     }) > 0;
        });
        return true;
    }

    bool HasSubkey(const std::string& name) const override {
        Path sub = Below(name);
        bool found = false;
        registry_.Access(root_, false, [&](Hive& hive) {
            found = !sub.empty() && hive.Find(sub) != nullptr;
            return false;
        });
        return found;
    }

    bool DeleteSubkeyTree(const std::string& name) override {
        Path sub = Below(name);
        if (sub.size() == path_.size()) {
            throw RegistryError("Im Registrierungsschlüssel \"" + KeyDisplayName(root_, path_) +
                                "\" wurde kein zu löschender Unterschlüssel genannt.");
        }
        bool existed = false;
        const std::string why = registry_.Access(root_, false, [&](Hive& hive) {
            existed = hive.Find(sub) != nullptr;
            return false;
        });
        if (!existed) {
            return false;
        }
        if (!why.empty()) {
            throw registry_.WriteFailure(root_, why);
        }
        registry_.Pending(root_).push_back([sub](Hive& hive) { return hive.RemoveTree(sub); });
        return true;
    }

    void Flush() override {
        if (!registry_.Pending(root_).empty() && registry_.held_ == 0) {
            registry_.Access(root_, true, [](Hive&) { return false; });
        }
    }

private:
    Path Below(const std::string& name) const {
        Path sub = path_;
        for (auto& part : CheckedPath(name, root_, path_)) {
            sub.push_back(std::move(part));
        }
        return sub;
    }

    // Calls `use` with the value when it exists; empty optional when it does not.
    template <typename Use>
    std::optional<bool> Lookup(const std::string& name, Use use) const {
        std::optional<bool> result;
        registry_.Access(root_, false, [&](Hive& hive) {
            if (Key* key = hive.Find(path_)) {
                if (const Value* v = FindValue(*key, name)) {
                    result = use(*v);
                }
            }
            return false;
        });
        return result;
    }

    void Write(const std::string& name, Value value) {
        CheckName(name, root_, path_);
        value.name = name;
        // Whether the file can be written at all is known now; only the replace itself waits.
        const std::string why = registry_.Access(root_, false, [](Hive&) { return false; });
        if (!why.empty()) {
            throw registry_.WriteFailure(root_, why);
        }
        registry_.Pending(root_).push_back([path = path_, value = std::move(value)](Hive& hive) {
            Key* key = nullptr;
            bool created = hive.Create(path, &key);
            return SetValue(*key, value) || created;
        });
    }

    FileRegistry& registry_;
    RegistryRoot root_;
    Path path_;
};

std::unique_ptr<RegistryKey> FileRegistry::OpenKey(RegistryRoot root, const std::string& path) {
    Path names = CheckedPath(path, root, {});
    bool exists = false;
    const std::string why = Access(root, false, [&](Hive& hive) {
        exists = hive.Find(names) != nullptr;
        return false;
    });
    if (!exists && !why.empty()) {
        throw WriteFailure(root, why);
    }
    if (!exists) {
        // Created with the first write of the root.
        Pending(root).push_back([names](Hive& hive) { return hive.Create(names); });
    }
    return std::make_unique<FileRegistryKey>(*this, root, std::move(names));
}

std::unique_ptr<Registry> CreateSystemRegistry() {
    return std::make_unique<FileRegistry>(FileRegistry::DefaultRegistryFolder());
}

}  // namespace rangwerk

#endif  // _WIN32
