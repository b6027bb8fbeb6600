#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/registry.h"

namespace rangwerk {

namespace registry_file_detail {
struct Hive;
}
class FileRegistryKey;

// The registry on systems without one: each root is one text file in the export format of the
// Windows registry editor, "HKEY_CURRENT_USER.reg" and "HKEY_LOCAL_MACHINE.reg" in one folder
// (the machine root is kept per user, since a user cannot write a machine-wide store).
//
// File format (UTF-8 without byte order mark, lines end in a line feed; a carriage return before
// it is accepted when reading):
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\SOFTWARE\Quarv\Rangwerk]
//   @="default value"
//   "Name"="text with \\ and \""
//   "UpdateInterval"=dword:0000001c
//   "Update"=hex:00,00,00,00,00,40,e6,40
//   "Lines"=hex(1):41,00,0d,00,0a,00,42,00,00,00
//
// Every existing key has a section, sorted so that each key follows its parent; a blank line ends
// each section. Values keep the order in which they were first written. A string that holds a
// control character (line breaks, tabs) cannot stand between quotes and is written in the
// hex(1) form: its UTF-16LE code units with a terminating zero, as the registry editor stores
// REG_SZ data; bytes that are not valid UTF-8 become U+FFFD in that form only. Values of other
// types found in a file are kept as hex(N) bytes. Lines starting with ";" are comments, and a
// value line ending in a backslash continues on the next line.
//
// Every access takes an exclusive lock (flock on "<file>.lock") and reads the file anew; a change
// is written to a temporary file in the same folder, flushed to disk and renamed over the old
// file before the lock is released, so several running copies of the program never lose each
// other's values. A file that cannot be read as this format is reported once on stderr, kept
// aside as "<file>.corrupt-<date>-<time>" and treated as empty.
//
// An open key does not hold the file: a write to a key that another process has deleted in the
// meantime creates the key again.
class FileRegistry : public Registry {
public:
    explicit FileRegistry(std::filesystem::path folder);
    ~FileRegistry() override;

    // $RANGWERK_REGISTRY_DIR when set, else $XDG_DATA_HOME/rangwerk/registry when that is an
    // absolute path, else ~/.local/share/rangwerk/registry.
    static std::filesystem::path DefaultRegistryFolder();

    std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path) override;

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path FileOf(RegistryRoot root) const;

private:
    friend class FileRegistryKey;

    // Runs `action` on the root's contents while holding the lock. When `change` is true and the
    // action returns true, the contents are written back. Throws RegistryError when a change cannot
    // be written; reading never throws for a missing or unreadable file.
    void Access(RegistryRoot root, bool change,
                const std::function<bool(registry_file_detail::Hive&)>& action);

    std::filesystem::path folder_;
    std::array<bool, 2> corruptionReported_{};
};

}  // namespace rangwerk
