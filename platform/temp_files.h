#pragma once

#include <optional>
#include <string>

namespace rangwerk {

// Unique temporary files.
class TempFiles {
public:
    virtual ~TempFiles() = default;
    // Creates a new empty file "<folder><prefix><hex>.TMP" exclusively (never an existing file,
    // never through a symbolic link) and returns its path; nothing when it cannot be made.
    // `folder` ends with a path separator; `prefix` has three characters.
    virtual std::optional<std::string> CreateUniqueFile(const std::string& folder,
                                                        const std::string& prefix) = 0;
    // Deletes a file when it exists. False when it exists and cannot be deleted.
    virtual bool RemoveFile(const std::string& path) = 0;
};

// On Windows GetTempFileName; elsewhere O_CREAT | O_EXCL | O_NOFOLLOW with mode 0600 and
// a hexadecimal number of up to four digits.
class SystemTempFiles : public TempFiles {
public:
    std::optional<std::string> CreateUniqueFile(const std::string& folder,
                                                const std::string& prefix) override;
    bool RemoveFile(const std::string& path) override;
};

// The folder for the online update's temporary files, with a trailing separator; nothing when
// it cannot be had. On Windows the user's temporary folder (GetTempPath). Elsewhere a private
// folder "rangwerk-<uid>/" in $TMPDIR (else /tmp), created with mode 0700 and refused when it
// is a symbolic link, not a folder or belongs to another user; a folder of the user
// that others may enter is closed to them (mode 0700) first.
std::optional<std::string> UserTempFolder();

// The same private folder inside `base` (which may lack the trailing separator), for tests.
std::optional<std::string> PrivateTempFolderIn(const std::string& base);

}  // namespace rangwerk
