#include "platform/update_batch.h"

#include "platform/temp_files.h"

#ifdef _WIN32
#include "base/wide_text.h"

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#else
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>
#endif

namespace rangwerk {

#ifdef _WIN32

bool SystemUpdateBatchStarter::Start(const std::string& batchFile, const std::string&) {
    const std::wstring file = WideFromUtf8(batchFile);
    const HINSTANCE started =
        ShellExecuteW(GetActiveWindow(), L"open", file.c_str(), nullptr, nullptr, SW_HIDE);
    return reinterpret_cast<INT_PTR>(started) > 32;
}

#else

const char* UpdateBatchRunnerScript() {
    // Reads the batch and the installation's list at once (a later update may replace both
    // while this one still runs the restarted program) and holds the list, so that a program
    // started meanwhile leaves its files alone. Waits for the program (a zombie counts as
    // ended), then runs the lines without their CRs, one by one in one shell: a line that is
    // no complete command by itself (an unclosed quote, say) is left out instead of swallowing
    // the lines after it, and no line can read the others as its input. Afterwards the files
    // the installation unpacked, the list and the batch are removed, unless a later
    // installation has taken the folder over meanwhile: then only the names it does not list.
    return R"sh(pid=$1
RANGWERK_UPDATE_TEMP=$2
export RANGWERK_UPDATE_TEMP
batch=$3
list=$2$4
listname=$4
lines=$(tr -d '\r' < "$batch") || { rm -f -- "$batch"; exit 1; }
command exec 9< "$list"
listed=$(cat -- "$list" 2>/dev/null)
ended() {
    [ -r "/proc/$pid/stat" ] || { kill -0 "$pid" 2>/dev/null && return 1; return 0; }
    state=$(sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null | cut -c1)
    [ -z "$state" ] || [ "$state" = Z ]
}
until ended; do sleep 0.1; done
command -v flock > /dev/null && flock -w 10 -x 9
newline='
'
set -f
IFS=$newline
set -- $lines
IFS=' 	'$newline
set +f
/bin/sh -c '
del() {
    rangwerk_file="$*"
    case "$rangwerk_file" in
        "$RANGWERK_UPDATE_TEMP"*) ;;
        *) return 1 ;;
    esac
    rangwerk_name=${rangwerk_file#"$RANGWERK_UPDATE_TEMP"}
    case "$rangwerk_name" in
        ""|.|..|*/*) return 1 ;;
    esac
    [ -d "$rangwerk_file" ] && return 1
    rm -f -- "$rangwerk_file"
}
for rangwerk_line do
    if /bin/sh -n -c "$rangwerk_line" 2> /dev/null; then
        command eval "$rangwerk_line"
    else
        printf "rangwerk-update: Zeile ausgelassen: %s\n" "$rangwerk_line" >&2
    fi
done
' rangwerk-update-batch "$@" < /dev/null 9<&-
now=$(cat -- "$list" 2>/dev/null)
set -f
IFS=$newline
first=yes
for name in $listed; do
    [ -n "$first" ] && { first=; continue; }
    case $name in
        .|..|*/*|"$listname") continue ;;
    esac
    if [ "$now" != "$listed" ]; then
        case "$newline$now$newline" in
            *"$newline$name$newline"*) continue ;;
        esac
    fi
    rm -f -- "$RANGWERK_UPDATE_TEMP$name"
done
if [ "$now" = "$listed" ]; then
    rm -f -- "$list" "$batch"
fi
)sh";
}

bool StartUpdateBatchRunner(const std::string& batchFile, const std::string& tempFolder,
                            long waitForPid) {
    // Everything the child needs is made before fork: between fork and exec only
    // async-signal-safe calls are allowed.
    const std::string pid = std::to_string(waitForPid);
    std::vector<const char*> argv{"/bin/sh",
                                  "-c",
                                  UpdateBatchRunnerScript(),
                                  "rangwerk-update",
                                  pid.c_str(),
                                  tempFolder.c_str(),
                                  batchFile.c_str(),
                                  kInstallationListName,
                                  nullptr};
    int report[2];
    if (pipe(report) != 0) {
        return false;
    }
    fcntl(report[1], F_SETFD, FD_CLOEXEC);
    const pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (child == 0) {
        // A new session without a terminal; the grandchild is adopted by init, so nobody has
        // to wait for it.
        close(report[0]);
        setsid();
        const pid_t grandchild = fork();
        if (grandchild != 0) {
            _exit(grandchild < 0 ? 1 : 0);
        }
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            if (null > 2) {
                close(null);
            }
        }
        execv("/bin/sh", const_cast<char* const*>(argv.data()));
        const char failed = 1;
        [[maybe_unused]] const auto ignored = write(report[1], &failed, 1);
        _exit(127);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // The exec closes the pipe; a byte in it means the exec failed.
    char failed = 0;
    ssize_t got = 0;
    do {
        got = read(report[0], &failed, 1);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

bool SystemUpdateBatchStarter::Start(const std::string& batchFile, const std::string& tempFolder) {
    return StartUpdateBatchRunner(batchFile, tempFolder, static_cast<long>(getpid()));
}

#endif

}  // namespace rangwerk
