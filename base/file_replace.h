#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "base/failure.h"

namespace rangwerk {

// A file whose new contents could not be put in place. `Step` tells where it went wrong, so
// that each caller can word its own message; `error` is the system's error number:
// - Open: the path names something that is no file (a folder, a device, a pipe); nothing was
//   touched;
// - Create: the new contents could not be put anywhere; the file is as it was;
// - Write: the new contents could not be written; the file is as it was, unless `keptCopy`
//   names the copy of its old contents (a file written in place that could be put back neither
//   to its new nor to its old contents).
class FileReplaceError : public Failure {
public:
    enum class Step { Open, Create, Write };
    FileReplaceError(Step step, int error, const std::string& message, std::string keptCopy = {})
        : Failure(message), step_(step), error_(error), keptCopy_(std::move(keptCopy)) {}
    Step step() const { return step_; }
    int error() const { return error_; }
    const std::string& keptCopy() const { return keptCopy_; }

private:
    Step step_;
    int error_;
    std::string keptCopy_;
};

// The system calls a replace is made of (POSIX names and results; errno is left set on
// failure). The program uses SystemFileCalls(); tests wrap it to count calls or let single
// ones fail. The Windows build replaces files through the system directly.
class FileCalls {
public:
    virtual ~FileCalls() = default;
    // mkstemp: creates a new file from the pattern ending in XXXXXX, open for writing.
    virtual int CreateTemporary(std::string& pattern);
    // open(path, O_RDWR): the existing file, whose old contents are read before it is written
    // in place.
    virtual int OpenForWriting(const std::string& path);
    virtual long Write(int fd, const char* data, std::size_t size);
    // fsync of a file or of a folder.
    virtual int Sync(int fd);
    virtual int Rename(const std::string& from, const std::string& to);
};

FileCalls& SystemFileCalls();

// Where the new contents went.
enum class ReplaceOutcome { Replaced, WrittenInPlace };

// Whether the rename is flushed to disk as well. Without it, a crash soon after the replace may
// bring back the whole old file (never a part of either): enough for settings, which the
// system's registry also writes to disk only some time later.
enum class FlushFolder { Yes, No };

// Gives the file at `path` the new contents so that it is either wholly the old or wholly the
// new file, even after a crash:
// - a symbolic link is followed, and the file it leads to is replaced, not the link; a folder,
//   a device or a pipe is refused before anything is done (Step::Open);
// - the contents go to a temporary file in that file's folder (".NAME.tmp-XXXXXX"), are flushed
//   to disk and renamed over the file; the folder is flushed too, unless `flushFolder` says no;
// - the file keeps its permission bits (and owner, where the system allows); a new file gets
//   `newFileMode` less the process's umask;
// - where the folder refuses a new file but the file itself may be written, the file is
//   written in place: a flushed copy of the old contents is kept in SavedCopiesFolder() first,
//   then the final size is reserved, so that a full disk or a file-size limit fails before one
//   byte is written, and a write error puts the old contents back. A crash during that
//   write leaves the copy behind;
// - no temporary file is left behind on any failure. A save holds a lock on its temporary file
//   (on Windows: it keeps it open without sharing), and each save removes the temporary files
//   of the same file that no save holds any more: those left by a save that was killed;
// - a successful save removes the copies that earlier in-place writes of the same file left
//   behind (again only those no save holds).
// A file-size limit of the process is a write error here, not the end of the program.
// Throws FileReplaceError.
ReplaceOutcome ReplaceFileContents(const std::string& path, std::string_view contents,
                                   FileCalls& calls = SystemFileCalls(),
                                   unsigned newFileMode = 0666,
                                   FlushFolder flushFolder = FlushFolder::Yes);

// Where the old contents of a file written in place are kept while it is written:
// $XDG_STATE_HOME/rangwerk/saves (~/.local/state/rangwerk/saves when XDG_STATE_HOME is unset or
// not an absolute path), on Windows %LOCALAPPDATA%\Rangwerk\saves; a folder that survives a
// restart. Read from the environment at every call; empty when neither is set. The folder is
// created (mode 0700) when a copy is kept.
std::string SavedCopiesFolder();

// Makes a file-size limit a write error instead of a signal that ends the program. Called by
// ReplaceFileContents; the program may call it at start.
void IgnoreFileSizeSignal();

// The path a chain of symbolic links leads to (relative links are taken from the folder of
// the link); the path itself when it is no link. A missing final file is no error: saving
// through a dangling link creates the file it names.
std::string FollowLinks(const std::string& path);

}  // namespace rangwerk
