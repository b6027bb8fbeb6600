#include "update/archive_unpack.h"

#include <zip.h>

#include <array>
#include <memory>
#include <set>
#include <string_view>

#include "base/failure.h"
#include "update/format_size.h"

namespace rangwerk {

namespace {

constexpr char kTryLater[] =
    " Klicken Sie auf \"Abbrechen\" und versuchen Sie es später noch einmal.";
constexpr char kDamaged[] =
    "Das Update-Archiv ist beschädigt und kann nicht entpackt werden. Klicken Sie auf "
    "\"Abbrechen\" und versuchen Sie es später noch einmal.";

struct ZipClose {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct ZipFileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

bool IsSymbolicLink(zip_t* archive, zip_uint64_t index) {
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0) {
        return false;
    }
    constexpr zip_uint32_t kTypeMask = 0170000;
    constexpr zip_uint32_t kSymbolicLink = 0120000;
    return system == ZIP_OPSYS_UNIX && ((attributes >> 16) & kTypeMask) == kSymbolicLink;
}

// A name as the folder's file system compares it.
std::string NameKey(const std::string& name) {
#ifdef _WIN32
    std::string key = name;
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return key;
#else
    return name;
#endif
}

// 10000 as "10.000".
std::string WithThousands(std::uint64_t number) {
    const std::string digits = std::to_string(number);
    std::string grouped;
    for (std::size_t at = 0; at < digits.size(); ++at) {
        if (at > 0 && (digits.size() - at) % 3 == 0)
            grouped += '.';
        grouped += digits[at];
    }
    return grouped;
}

std::string CannotWrite(const std::string& path) {
    return "Die Datei \"" + path + "\" kann nicht geschrieben werden.";
}

// An entry that is to be unpacked.
struct Planned {
    zip_uint64_t index = 0;
    std::string target;
    std::uint64_t size = 0;  // as the archive claims it
};

// The entries of the archive that are to be unpacked, when the archive may be unpacked at all;
// otherwise `error` says why not.
std::vector<Planned> Plan(zip_t* archive, const std::vector<std::string>& reservedNames,
                          UnpackResult& result) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count < 0) {
        result.error = kDamaged;
        return {};
    }
    if (static_cast<std::uint64_t>(count) > kUnpackMaxEntries) {
        result.error = "Das Update-Archiv enthält mehr als " + WithThousands(kUnpackMaxEntries) +
                       " Einträge und wird deshalb nicht entpackt." + kTryLater;
        return {};
    }
    std::set<std::string> reserved;
    for (const std::string& name : reservedNames) {
        reserved.insert(NameKey(name));
    }
    std::set<std::string> taken;
    std::vector<Planned> planned;
    std::uint64_t claimed = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* rawName = zip_get_name(archive, index, ZIP_FL_ENC_GUESS);
        const std::string name = rawName ? rawName : "";
        const std::string target = EntryTargetName(name);
        if (target.empty() || IsSymbolicLink(archive, index)) {
            if (!name.empty() && name.back() != '/' && name.back() != '\\') {
                result.skipped.push_back(name);
            }
            continue;
        }
        const std::string key = NameKey(target);
        if (reserved.count(key) != 0) {
            result.error = "Das Update-Archiv enthält eine Datei \"" + target +
                           "\", deren Name das Programm selbst braucht, und wird deshalb nicht "
                           "entpackt." +
                           kTryLater;
            return {};
        }
        if (!taken.insert(key).second) {
            result.error = "Das Update-Archiv enthält mehrere Dateien \"" + target +
                           "\" in verschiedenen Ordnern; da offen bliebe, welche gilt, wird es "
                           "nicht entpackt." +
                           kTryLater;
            return {};
        }
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, index, 0, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0) {
            result.error = kDamaged;
            return {};
        }
        if (stat.size > kUnpackMaxBytes - claimed) {
            result.error = "Das Update-Archiv würde entpackt mehr als " +
                           FormatSize(kUnpackMaxBytes, ",") +
                           " belegen und wird deshalb nicht entpackt." + kTryLater;
            return {};
        }
        claimed += stat.size;
        planned.push_back({index, target, stat.size});
    }
    return planned;
}

// Writes one entry as a new partial file beside its place and renames it into place. Returns
// why it failed (German), with the partial file gone.
std::string Extract(zip_t* archive, const Planned& entry, UpdateFolder& folder) {
    std::unique_ptr<zip_file_t, ZipFileClose> data(zip_fopen_index(archive, entry.index, 0));
    if (!data) {
        return kDamaged;
    }
    const std::string partial = entry.target + kPartialFileSuffix;
    std::optional<NewFile> out;
    try {
        out.emplace(folder.Create(partial));
    } catch (const Failure& e) {
        return e.what();
    }
    std::string why;
    std::uint64_t budget = entry.size;
    std::array<char, 64 * 1024> block{};
    for (;;) {
        const zip_int64_t got = zip_fread(data.get(), block.data(), block.size());
        if (got < 0) {
            why = kDamaged;  // also a wrong checksum at the end of the entry
            break;
        }
        if (got == 0) {
            break;
        }
        const auto size = static_cast<std::uint64_t>(got);
        if (size > budget) {
            why = kDamaged;  // more than the entry claims
            break;
        }
        budget -= size;
        if (!out->Write(std::string_view(block.data(), static_cast<std::size_t>(got)))) {
            why = CannotWrite(folder.Path() + entry.target);
            break;
        }
    }
    if (!out->Close() && why.empty()) {
        why = CannotWrite(folder.Path() + entry.target);
    }
    out.reset();
    if (why.empty() && !folder.Rename(partial, entry.target)) {
        why = CannotWrite(folder.Path() + entry.target);
    }
    if (!why.empty()) {
        folder.Remove(partial);
    }
    return why;
}

std::unique_ptr<zip_t, ZipClose> OpenArchive(const std::string& archiveFile) {
    int openError = 0;
    return std::unique_ptr<zip_t, ZipClose>(
        zip_open(archiveFile.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &openError));
}

}  // namespace

std::string EntryTargetName(const std::string& entryName) {
    if (entryName.empty() || entryName[0] == '/' || entryName[0] == '\\' ||
        (entryName.size() >= 2 && entryName[1] == ':')) {
        return {};
    }
    std::string part;
    for (std::size_t i = 0; i <= entryName.size(); ++i) {
        if (i == entryName.size() || entryName[i] == '/' || entryName[i] == '\\') {
            if (part == "..") {
                return {};
            }
            if (i == entryName.size()) {
                break;
            }
            part.clear();
        } else {
            part += entryName[i];
        }
    }
    if (part.empty() || part == "." || part.find(':') != std::string::npos) {
        return {};
    }
    for (const char c : part) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return {};
        }
    }
    const std::string_view suffix = kPartialFileSuffix;
    if (part.size() >= suffix.size() &&
        std::string_view(part).substr(part.size() - suffix.size()) == suffix) {
        return {};
    }
    return part;
}

UnpackResult UnpackArchive(const std::string& archiveFile, UpdateFolder& folder,
                           const std::vector<std::string>& reservedNames) {
    UnpackResult result;
    const auto archive = OpenArchive(archiveFile);
    if (!archive) {
        result.error = kDamaged;
        return result;
    }
    const std::vector<Planned> planned = Plan(archive.get(), reservedNames, result);
    if (!result.error.empty()) {
        return result;
    }
    for (const Planned& entry : planned) {
        const std::string why = Extract(archive.get(), entry, folder);
        if (!why.empty()) {
            for (const std::string& written : result.files) {
                folder.Remove(written);
            }
            result.files.clear();
            result.error = why;
            return result;
        }
        result.files.push_back(entry.target);
    }
    result.ok = true;
    return result;
}

std::optional<std::string> ReadArchiveEntry(const std::string& archiveFile, const std::string& name,
                                            std::size_t limit) {
    const auto archive = OpenArchive(archiveFile);
    if (!archive) {
        return std::nullopt;
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    std::optional<zip_uint64_t> found;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* rawName = zip_get_name(archive.get(), index, ZIP_FL_ENC_GUESS);
        if (rawName == nullptr || NameKey(EntryTargetName(rawName)) != NameKey(name) ||
            IsSymbolicLink(archive.get(), index)) {
            continue;
        }
        if (found) {
            return std::nullopt;  // which one counts would be a guess
        }
        found = index;
    }
    if (!found) {
        return std::nullopt;
    }
    std::unique_ptr<zip_file_t, ZipFileClose> data(zip_fopen_index(archive.get(), *found, 0));
    if (!data) {
        return std::nullopt;
    }
    std::string contents;
    std::array<char, 4096> block{};
    for (;;) {
        const zip_int64_t got = zip_fread(data.get(), block.data(), block.size());
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            return contents;
        }
        contents.append(block.data(), static_cast<std::size_t>(got));
        if (contents.size() > limit) {
            return std::nullopt;
        }
    }
}

}  // namespace rangwerk
