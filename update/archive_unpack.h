#pragma once

#include <string>
#include <vector>

namespace rangwerk {

struct UnpackResult {
    bool ok = false;
    std::vector<std::string> files;    // base names written, in archive order (a name may repeat)
    std::vector<std::string> skipped;  // entry names left out as unsafe
    std::string error;                 // German, when !ok
};

// The base name an archive entry is unpacked to, or empty when the entry is left out: names
// with a ".." part, absolute names (also "C:..." and "\..."), names that are empty after
// stripping their folders (folder entries) and "." are never unpacked.
std::string EntryTargetName(const std::string& entryName);

// Unpacks every file of the ZIP archive directly into `folder` (which ends with a path
// separator) under its base name; folder names of the entries are not recreated. Symbolic-link
// entries and the names EntryTargetName refuses are skipped, so nothing lands outside the
// folder. An existing file of the same name is replaced (through a temporary file and a
// rename, never half-written). A damaged archive gives ok == false and a German message;
// files unpacked before the damage showed stay.
UnpackResult UnpackArchive(const std::string& archiveFile, const std::string& folder);

}  // namespace rangwerk
