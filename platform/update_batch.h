#pragma once

#include <string>

namespace rangwerk {

// Starts the completed update batch file at program end, without waiting for it.
class UpdateBatchStarter {
public:
    virtual ~UpdateBatchStarter() = default;
    // `batchFile` is tempFolder + "Update.bat"; `tempFolder` ends with a path separator.
    // False when the batch could not be started.
    virtual bool Start(const std::string& batchFile, const std::string& tempFolder) = 0;
};

// The system's way:
//  - Windows: the shell opens the batch file (verb "open", no parameters, no working folder)
//    in a hidden window.
//  - Elsewhere: a runner in a new session, with no terminal and its output discarded, reads the
//    batch file, waits until this process has ended, then feeds its lines to /bin/sh with their
//    carriage returns removed. For those lines `del` removes the one file named by all its
//    arguments joined with blanks, and only a file directly inside the temporary folder.
class SystemUpdateBatchStarter : public UpdateBatchStarter {
public:
    bool Start(const std::string& batchFile, const std::string& tempFolder) override;
};

#ifndef _WIN32
// The runner's shell script (for /bin/sh -c). Its arguments: $1 the process to wait for,
// $2 the temporary folder, $3 the batch file.
const char* UpdateBatchRunnerScript();
// Starts the runner for the batch file, waiting for the process `waitForPid` first.
bool StartUpdateBatchRunner(const std::string& batchFile, const std::string& tempFolder,
                            long waitForPid);
#endif

}  // namespace rangwerk
