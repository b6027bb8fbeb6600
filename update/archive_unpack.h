#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/temp_files.h"

namespace rangwerk {

// How much an archive may unpack to, so that a ZIP bomb is refused before the disk fills: its
// entries (folders and left-out ones too) and the bytes of all its files together.
inline constexpr std::uint64_t kUnpackMaxEntries = 10000;
inline constexpr std::uint64_t kUnpackMaxBytes = std::uint64_t{1} << 30;

struct UnpackResult {
    bool ok = false;
    std::vector<std::string> files;    // base names written, in archive order, each once
    std::vector<std::string> skipped;  // entry names left out as unsafe
    std::string error;                 // German, when !ok
};

// The base name an archive entry is unpacked to, or empty when the entry is left out: names
// with a ".." part, absolute names (also "C:..." and "\..."), names that are empty after
// stripping their folders (folder entries), "." and names with a control character or ending
// like the folder's partial files are never unpacked.
std::string EntryTargetName(const std::string& entryName);

// Unpacks every file of the ZIP archive directly into `folder` under its base name; folder
// names of the entries are not recreated. Symbolic-link entries and the names EntryTargetName
// refuses are skipped, so nothing lands outside the folder. Before anything is written the
// archive is refused when it has more than kUnpackMaxEntries entries, when its files claim more
// than kUnpackMaxBytes in all, when two entries would land under the same name (which one
// counts would be a guess), or when an entry would take one of `reservedNames`. Each file is
// written as a new partial file (its name + kPartialFileSuffix) and renamed into place,
// replacing what stood under its name. An entry whose data runs past the size it claims is
// damaged, so the claims bound what is written. On every refusal or failure (ok == false, with
// a German message) the files written so far and the partial file are removed again.
UnpackResult UnpackArchive(const std::string& archiveFile, UpdateFolder& folder,
                           const std::vector<std::string>& reservedNames = {});

// The contents of the one entry of the archive that would be unpacked as `name`; nothing when
// there is none or more than one, when it is larger than `limit` bytes or cannot be read.
std::optional<std::string> ReadArchiveEntry(const std::string& archiveFile, const std::string& name,
                                            std::size_t limit);

}  // namespace rangwerk
