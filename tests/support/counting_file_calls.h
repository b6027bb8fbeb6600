#pragma once

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

}  // namespace rangwerk::testing_support
