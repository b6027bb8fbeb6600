#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/file_replace.h"

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
// File format as written (UTF-8 without byte order mark, lines end in a line feed):
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
// types found in a file are kept as hex(N) bytes.
//
// Reading takes the whole export format of the registry editor: UTF-16LE with a byte order mark
// (as the editor writes it) or UTF-8 with or without one, CR LF or LF; the "REGEDIT4" header,
// whose texts are Windows-1252 (unless the file is valid UTF-8) and whose hex(1), hex(2) and
// hex(7) data are single bytes; "[-KEY]" deletes a key with everything below it and
// "name"=- a value; lines starting with ";" are comments, and a hex line ending in a backslash
// continues on the next line. A section with a line that still cannot be read is set aside
// as a whole: its lines are kept in "<file>.corrupt-<date>-<time>", the file is written again
// without it, and every other key stays. A file without a known header is set aside whole and
// treated as empty. Either is reported on stderr and, once, through TakeProblems.
//
// Every access takes an exclusive lock (flock on "<file>.lock") and reads the file anew. Changes
// made through the keys of a root are collected (every access sees them) and written when a key
// of the root is flushed or closed: one atomic replace (base/file_replace.h) for all of them, so
// that the file keeps its permission bits and several running copies of the program never lose each
// other's values. The file is flushed to disk before it is renamed into place; the folder is not
// (FlushFolder::No), as the system's registry too writes its changes to disk only later. Whether
// the file can be written at all is checked at every change, so a write to a store that cannot be
// written fails at once. Temporary files of writers that ended before they could rename them are
// removed by the next writer.
//
// An open key does not hold the file: a write to a key that another process has deleted in the
// meantime creates the key again.
class FileRegistry : public Registry {
public:
    // `calls` are the system calls of the file replace; tests count them.
    explicit FileRegistry(std::filesystem::path folder, FileCalls& calls = SystemFileCalls());
    ~FileRegistry() override;

    // $RANGWERK_REGISTRY_DIR when set, else $XDG_DATA_HOME/rangwerk/registry when that is an
    // absolute path, else ~/.local/share/rangwerk/registry.
    static std::filesystem::path DefaultRegistryFolder();

    std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path) override;
    std::vector<std::string> TakeProblems() override;
    void HoldChanges() override { ++held_; }
    void ReleaseChanges() override;

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path FileOf(RegistryRoot root) const;

private:
    friend class FileRegistryKey;

    // Runs `action` on the root's contents while holding the lock. When `change` is true and the
    // action returns true, the contents are written back. Throws RegistryError when a change cannot
    // be written; reading never throws for a missing or unreadable file. Returns why the file
    // could not be written now, empty when it could.
    std::string Access(RegistryRoot root, bool change,
                       const std::function<bool(registry_file_detail::Hive&)>& action);
    RegistryError WriteFailure(RegistryRoot root, const std::string& reason) const;
    void Report(const std::string& message);
    void RemoveStaleTemporaries(const std::filesystem::path& file) const;
    // The changes made through the root's keys and not yet written, in order.
    std::vector<std::function<bool(registry_file_detail::Hive&)>>& Pending(RegistryRoot root);

    std::filesystem::path folder_;
    FileCalls& calls_;
    std::array<bool, 2> corruptionReported_{};
    std::vector<std::string> problems_;
    std::array<std::vector<std::function<bool(registry_file_detail::Hive&)>>, 2> pending_;
    // HoldChanges less ReleaseChanges: while above 0, closing or flushing a key writes nothing.
    int held_ = 0;
};

}  // namespace rangwerk
