#pragma once

#include <algorithm>
#include <cerrno>
#include <csignal>

#include "base/file_replace.h"

namespace rangwerk::testing_support {

// The system calls of the file replace, counting its flushes to disk.
class CountingFileCalls : public FileCalls {
public:
    int syncs = 0;
    int Sync(int fd) override {
        ++syncs;
        return FileCalls::Sync(fd);
    }
};

#ifndef _WIN32
// The system's calls, with single ones made to fail (errno values, 0: no failure). The Windows
// replace does not go through FileCalls.
class FaultyFileCalls : public CountingFileCalls {
public:
    int failCreate = 0;
    int failSync = 0;
    int failRename = 0;
    // Writes take at most this many bytes a call (0: all they are given).
    std::size_t writeChunk = 0;
    // The writes from this one on (counted from 1) fail with EIO, up to `failWritesUntil`
    // (0: all that follow); 0: none fails.
    int failWritesFrom = 0;
    int failWritesUntil = 0;
    // The process is killed halfway through its first write.
    bool killInWrite = false;
    int writes = 0;

    int CreateTemporary(std::string& pattern) override {
        if (failCreate != 0)
            return errno = failCreate, -1;
        return FileCalls::CreateTemporary(pattern);
    }
    long Write(int fd, const char* data, std::size_t size) override {
        ++writes;
        if (killInWrite) {
            FileCalls::Write(fd, data, size / 2);
            std::raise(SIGKILL);
        }
        if (failWritesFrom != 0 && writes >= failWritesFrom &&
            (failWritesUntil == 0 || writes <= failWritesUntil)) {
            return errno = EIO, -1;
        }
        return FileCalls::Write(fd, data, writeChunk != 0 ? std::min(size, writeChunk) : size);
    }
    int Sync(int fd) override {
        if (failSync != 0) {
            ++syncs;
            return errno = failSync, -1;
        }
        return CountingFileCalls::Sync(fd);
    }
    int Rename(const std::string& from, const std::string& to) override {
        if (failRename != 0)
            return errno = failRename, -1;
        return FileCalls::Rename(from, to);
    }
};
#endif

}  // namespace rangwerk::testing_support
