#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
// it cannot be had. On Windows the user's temporary folder (GetTempPath). Elsewhere the
// private folder of PrivateTempFolderIn in $TMPDIR (else /tmp).
std::optional<std::string> UserTempFolder();

// The private folder "rangwerk-<uid>/" inside `base` (which may lack the trailing separator),
// created with mode 0700; a folder of the user that others may enter is closed to them first.
// When that name is taken (a symbolic link, a file, a folder of another user), the update
// cannot trust it and takes a folder "rangwerk-<uid>-XXXXXX/" of its own instead: one made by
// an earlier run when there is one, else a new one (mkdtemp), and says why on stderr.
// On Windows `base` itself with a trailing separator.
std::optional<std::string> PrivateTempFolderIn(const std::string& base);

class UpdateFolder;
class HeldFile;
[[nodiscard]] HeldFile WriteInstallationList(UpdateFolder& folder,
                                             const std::vector<std::string>& names);

// The ending of the files the update writes before they get their own names.
inline constexpr char kPartialFileSuffix[] = ".rangwerk-part";

// A file that UpdateFolder::Create made; closed when it goes away.
class NewFile {
public:
    NewFile(NewFile&& other) noexcept;
    NewFile& operator=(NewFile&& other) noexcept;
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    ~NewFile();

    // False when not all bytes could be written.
    bool Write(std::string_view bytes);
    // False when the written data may not have reached the file.
    bool Close();

private:
    friend class UpdateFolder;
    friend HeldFile WriteInstallationList(UpdateFolder& folder,
                                          const std::vector<std::string>& names);
    NewFile() = default;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

// A file kept open, and locked against other processes, until it goes away.
class HeldFile {
public:
    HeldFile() = default;

private:
    friend HeldFile WriteInstallationList(UpdateFolder& folder,
                                          const std::vector<std::string>& names);
    explicit HeldFile(NewFile file) : file_(std::move(file)) {}
    std::optional<NewFile> file_;
};

// The folder of the update's files, opened once and checked. Every file the update writes
// there is made through it, by name inside the folder: on POSIX relative to the descriptor
// that was checked (openat, renameat, unlinkat), so the folder cannot be swapped underneath.
// Names are plain file names; anything with a path separator, "." and ".." are refused.
class UpdateFolder {
public:
    // `path` ends with a path separator. POSIX: a real folder (not a symbolic link) of this
    // user; one that others may enter is closed to them (mode 0700) first. Windows: a folder
    // that is no reparse point. Throws Failure with a German message.
    explicit UpdateFolder(const std::string& path);
    ~UpdateFolder();
    UpdateFolder(const UpdateFolder&) = delete;
    UpdateFolder& operator=(const UpdateFolder&) = delete;

    const std::string& Path() const { return path_; }

    // A new file for writing: whatever stands under the name (a file, a symbolic link, an
    // empty folder) is removed first without being followed, then the file is created new
    // (O_CREAT | O_EXCL | O_NOFOLLOW, mode 0600; on Windows CREATE_NEW, no reparse point
    // followed). Throws Failure with a German message.
    NewFile Create(const std::string& name);
    // Renames `from` to `to`, replacing what stands under `to` (a link is replaced, not
    // followed). False when it fails.
    bool Rename(const std::string& from, const std::string& to);
    // Removes what stands under the name, without following it (an empty folder too). False
    // when something stays.
    bool Remove(const std::string& name);
    // The contents of the regular file `name`, not through a link; nothing when it is missing,
    // something else or larger than `limit` bytes.
    std::optional<std::string> Read(const std::string& name, std::size_t limit);

private:
    friend HeldFile WriteInstallationList(UpdateFolder& folder,
                                          const std::vector<std::string>& names);
    friend void RemoveFilesOfLastInstallation(const std::string& folder);

    std::string path_;
#ifndef _WIN32
    int fd_ = -1;
#endif
};

// The list of the files that the last installation unpacked into the update's folder.
inline constexpr char kInstallationListName[] = "Update.lst";

// Writes the list of `names` into the folder (its first line marks this one installation, so
// that a later installation's list of the same names differs) and keeps it locked while the
// returned file lives: the program keeps it until it ends, so that no other program's start
// removes the files of a pending installation. Throws Failure with a German message.
[[nodiscard]] HeldFile WriteInstallationList(UpdateFolder& folder,
                                             const std::vector<std::string>& names);

// At program start: removes the files the last installation in `folder` listed, then the list,
// unless a running program (or the update's runner) still holds the list. Only plain names
// directly inside the folder are removed, and nothing is followed. Never throws.
void RemoveFilesOfLastInstallation(const std::string& folder);

}  // namespace rangwerk
