#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/http_client.h"
#include "update/download_progress.h"

namespace rangwerk {

// What the download needs from the window and the system. Every member may be empty except
// where noted.
struct ArchiveDownloadHooks {
    // `HTTPWorkBegin`: the progress bar's maximum becomes the announced byte count (0 when the
    // server announced none).
    std::function<void(std::uint64_t maximum)> setMaximum;
    // `OnUpdateTimer`: show these values on the download page.
    std::function<void(const DownloadDisplay&)> show;
    // Process pending window events (so that the buttons of the page stay usable).
    std::function<void()> processEvents;
    // Seconds on a steady clock; the time left is computed from it. Empty: std::chrono's
    // steady clock.
    std::function<double()> nowSeconds;
    // The pause before a cut-off archive is deleted. It should keep the window's events flowing.
    // Empty: the thread sleeps.
    std::function<void(int milliseconds)> wait;
};

// How one DownloadArchive ended.
struct ArchiveDownloadResult {
    enum class Status {
        Completed,  // the archive is in the file
        Aborted,    // cut off after a confirmed cancel; the partial file has been deleted
        Failed      // the transfer failed by itself; errorText says why
    };
    Status status = Status::Failed;
    std::string errorText;  // the transfer's own error text (Failed only)
};

// The download of the update archive, without a window. The window forwards to it:
// the download step calls Run; the cancel question's "Ja" calls RequestCancel; the retry calls
// ResetForRetry before downloading again; `FormShow` calls Reset. Run blocks until the transfer
// has ended; the window's handlers run nested inside it through the hooks and the client's
// event pump, and read the flags.
class ArchiveDownload {
public:
    // The pause after a cancel before the partial archive is deleted.
    static constexpr int kAbortPauseMs = 3000;

    ArchiveDownload(HttpClient& client, ArchiveDownloadHooks hooks, ProgressFormat format = {});

    // The regional settings may change between showings.
    void SetFormat(ProgressFormat format) { format_ = std::move(format); }

    // DownloadArchive: GET "/Updates/" + file from host into archivePath (created or truncated
    // first, streamed), then the signature beside it into archivePath + ".sig" (a missing
    // signature leaves no ".sig" file; the installation refuses the archive then). Call it only
    // when an update description is loaded. On Aborted the partial archive is deleted after
    // the pause; on Failed the partial archive is deleted at once.
    ArchiveDownloadResult Run(const std::string& host, const std::string& file,
                              const std::string& archivePath);

    // The transfer's events; Run attaches them to the client. Public so that they can be
    // driven directly.
    void WorkBegin(std::optional<std::uint64_t> announcedLength);
    // Returns false to cut the transfer (a requested cancel).
    bool Progress(std::uint64_t received);

    bool Downloading() const { return downloading_; }
    bool CancelRequested() const { return cancelRequested_; }
    bool DownloadAborted() const { return downloadAborted_; }
    std::uint64_t Maximum() const { return maximum_; }

    // The user confirmed the cancel: the next progress report cuts the transfer.
    void RequestCancel() { cancelRequested_ = true; }
    // Before a retry: CancelRequested and DownloadAborted become false.
    void ResetForRetry();
    // At each showing of the wizard: as ResetForRetry.
    void Reset() { ResetForRetry(); }

private:
    double Now() const;

    HttpClient& client_;
    ArchiveDownloadHooks hooks_;
    ProgressFormat format_;
    bool downloading_ = false;
    bool cancelRequested_ = false;
    bool downloadAborted_ = false;
    std::uint64_t maximum_ = 0;
    double startSeconds_ = 0;
};

}  // namespace rangwerk
