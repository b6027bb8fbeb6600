#include "update/archive_unpack.h"

#include <zip.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

namespace rangwerk {

namespace {

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

// Writes one entry to `target` through a temporary file beside it. False when the entry cannot
// be read (damaged data) or the file cannot be written.
bool ExtractEntry(zip_t* archive, zip_uint64_t index, const std::filesystem::path& target,
                  bool& damaged) {
    std::unique_ptr<zip_file_t, ZipFileClose> entry(zip_fopen_index(archive, index, 0));
    if (!entry) {
        damaged = true;
        return false;
    }
    std::filesystem::path partial = target;
    partial += ".rangwerk-part";
    bool written = true;
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        std::array<char, 64 * 1024> block{};
        for (;;) {
            const zip_int64_t got = zip_fread(entry.get(), block.data(), block.size());
            if (got < 0) {
                damaged = true;  // also a wrong checksum at the end of the entry
                written = false;
                break;
            }
            if (got == 0) {
                break;
            }
            out.write(block.data(), static_cast<std::streamsize>(got));
        }
        out.close();
        written = written && !out.fail();
    }
    std::error_code error;
    if (written) {
        std::filesystem::rename(partial, target, error);
        if (!error) {
            return true;
        }
    }
    std::filesystem::remove(partial, error);
    return false;
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
    return part;
}

UnpackResult UnpackArchive(const std::string& archiveFile, const std::string& folder) {
    UnpackResult result;
    int openError = 0;
    std::unique_ptr<zip_t, ZipClose> archive(
        zip_open(archiveFile.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &openError));
    if (!archive) {
        result.error = kDamaged;
        return result;
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* rawName = zip_get_name(archive.get(), index, ZIP_FL_ENC_GUESS);
        const std::string name = rawName ? rawName : "";
        const std::string target = EntryTargetName(name);
        if (target.empty() || IsSymbolicLink(archive.get(), index)) {
            if (!name.empty() && name.back() != '/' && name.back() != '\\') {
                result.skipped.push_back(name);
            }
            continue;
        }
        bool damaged = false;
        if (!ExtractEntry(archive.get(), index, std::filesystem::u8path(folder + target),
                          damaged)) {
            result.error =
                damaged ? std::string(kDamaged)
                        : "Die Datei \"" + folder + target + "\" kann nicht geschrieben werden.";
            return result;
        }
        result.files.push_back(target);
    }
    result.ok = true;
    return result;
}

}  // namespace rangwerk
