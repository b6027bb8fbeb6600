#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/connection_query.h"
#include "platform/dialogs.h"
#include "platform/http_client.h"
#include "platform/temp_files.h"
#include "update/day_count.h"
#include "update/profile_file.h"
#include "update/short_date.h"
#include "update/update_host.h"

namespace rangwerk {

// The name of this program's section in the update description. "Ranko" is the 32-bit Windows
// program's; the 64-bit Windows build and the Linux build have sections of their own, so that
// none of them fetches the archive of another.
#if defined(_WIN64)
inline constexpr const char* kUpdateProgramName = "Ranko-Win64";
#elif defined(_WIN32)
inline constexpr const char* kUpdateProgramName = "Ranko";
#else
inline constexpr const char* kUpdateProgramName = "Ranko-Linux";
#endif

// Where the description lies on the web server, and the prefix of its local copies.
inline constexpr const char* kUpdateDescriptionPath = "/Updates.ini";
inline constexpr const char* kUpdateTempPrefix = "$RW";
// A larger description is refused as a failed check.
inline constexpr std::uint64_t kMaxUpdateDescriptionBytes = 1024 * 1024;
inline constexpr int kUpdateReadTimeoutMs = 10000;

// What the check needs to know, set before the wizard is shown.
struct UpdateCheckInputs {
    std::string programName = kUpdateProgramName;
    double installedDate = 0;  // day count of the installed program file
    UpdateHost host;
    std::string tempFolder;  // with a trailing separator
    int readTimeoutMs = kUpdateReadTimeoutMs;
    // How the user writes short dates ("Date" and the dates of the news items);
    // ShortDateFormatOf(ReadRegionalSettings()) gives the user's.
    ShortDateFormat dateFormat;
};

// The services of the check; they must outlive it.
struct UpdateCheckServices {
    HttpClient& http;
    ConnectionQuery& connection;
    TempFiles& tempFiles;
    DayClock& clock;
};

// The box for every failure of the check: "Es besteht keine Internetverbindung.", caption
// "Internetverbindung erforderlich", exclamation icon, OK.
MessageRequest NoConnectionMessage();

// "- " + item + CR LF for every item, joined; empty for no items.
std::string FormatNewsList(const std::vector<std::string>& items);

// Where the archives lie on the web server: "/Updates/" followed by the "File" value.
inline constexpr const char* kUpdateArchiveFolder = "/Updates/";

// Whether a "File" value names a file below "/Updates/" on the update host. Refused are values
// with a ".." segment (also written with percent escapes or backslashes), a scheme ("http:",
// "file:", a drive letter), a host ("//server/...") or any other leading separator, and
// control characters: the request must never leave "/Updates/".
bool IsArchiveBelowUpdates(std::string_view file);

// The update check of the wizard, without a window: fetches the update description, decides
// whether an update is offered and words the result. The wizard holds one for the whole run.
class UpdateCheck {
public:
    explicit UpdateCheck(UpdateCheckServices services);
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;
    // Releases the description and deletes its file, as Release does.
    ~UpdateCheck();

    // Why CheckForUpdates failed; NoConnection covers the connection query as well as every
    // failed request or file. Every reason but Aborted shows NoConnectionMessage().
    enum class CheckFailure {
        None,
        NoHost,  // the program knows no update host
        NoConnection,
        TempFile,
        Request,
        TooLarge,
        Unreadable,
        Aborted  // the user cancelled the check
    };

    // Steps 1 to 6: asks for a connection (skipped when the host was overridden), deletes the
    // file of the previous check, makes a new unique file in the temporary folder, fetches the
    // description into it, loads it and decides. Returns false on any failure (then
    // UpdatesAvailable is false and nothing was shown; the caller shows NoConnectionMessage()
    // unless the check was aborted). With no connection or no host nothing else changes: no
    // file is made and no request is sent.
    bool CheckForUpdates(const UpdateCheckInputs& inputs);
    // Ends a running check at once (from a handler nested inside CheckForUpdates): the request
    // is cut, its file removed, and CheckForUpdates fails with Aborted.
    void Abort();
    CheckFailure LastFailure() const { return lastFailure_; }
    // The transport's own words for the last failed request (for diagnostics only).
    const std::string& LastErrorText() const { return lastErrorText_; }

    // The text of the result page for the last check and its inputs.
    std::string BuildCheckResultText() const;

    // The filtered news items of the program's section, as the result text lists them.
    std::vector<std::string> NewsItems() const;

    // The "File" value of the program's section (empty when missing or no description loaded):
    // the archive below "/Updates/" on the same host.
    std::string UpdateFile() const;

    // Cleared each time the wizard is shown.
    void ClearUpdatesAvailable() { updatesAvailable_ = false; }
    bool UpdatesAvailable() const { return updatesAvailable_; }

    // The local copy of the description of the last check (empty before the first).
    const std::string& DescriptionFile() const { return descriptionFile_; }
    // The loaded description of the last successful check; null before it.
    const ProfileFile* UpdateDescription() const {
        return updateDescription_ ? &*updateDescription_ : nullptr;
    }
    // The inputs of the last check (for the download: host, program name).
    const UpdateCheckInputs& LastInputs() const { return inputs_; }

    // At program end: releases the description and deletes its file.
    void Release();

    // The day count of a "Date" value: the date read in the inputs' short date format, today
    // when missing or unreadable.
    double DescriptionDate(const std::optional<std::string>& value) const;

private:
    bool Fail(CheckFailure failure, std::string errorText = {});

    UpdateCheckServices services_;
    UpdateCheckInputs inputs_;
    std::string descriptionFile_;
    std::optional<ProfileFile> updateDescription_;
    bool updatesAvailable_ = false;
    bool running_ = false;
    bool aborted_ = false;
    CheckFailure lastFailure_ = CheckFailure::None;
    std::string lastErrorText_;
};

}  // namespace rangwerk
