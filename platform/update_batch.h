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
//    batch file and the installation's list (kInstallationListName in the temporary folder),
//    waits until this process has ended, then runs the lines with their carriage returns
//    removed one by one in one /bin/sh: a line that is no complete command by itself is left
//    out, and the lines read no input. For those lines `del` removes the one file named by all
//    its arguments joined with blanks, and only a file directly inside the temporary folder.
//    Afterwards it removes the listed files, the list and the batch file, however the lines
//    ended; when a later installation has put a list of its own there meanwhile, it removes
//    only the names that list does not hold, and leaves the list and the batch to it.
class SystemUpdateBatchStarter : public UpdateBatchStarter {
public:
    bool Start(const std::string& batchFile, const std::string& tempFolder) override;
};

#ifndef _WIN32
// The runner's shell script (for /bin/sh -c). Its arguments: $1 the process to wait for,
// $2 the temporary folder, $3 the batch file, $4 the name of the installation's list.
const char* UpdateBatchRunnerScript();
// Starts the runner for the batch file, waiting for the process `waitForPid` first.
bool StartUpdateBatchRunner(const std::string& batchFile, const std::string& tempFolder,
                            long waitForPid);
#endif

}  // namespace rangwerk
