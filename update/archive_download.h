#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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
        Completed,  // the archive is in the file, its verified signature beside it
        Aborted,    // cut off after a confirmed cancel; the partial files have been deleted
        Failed      // the transfer failed or was refused; errorText says why
    };
    Status status = Status::Failed;
    // Failed only: the transfer's own error text, or the German text of a refusal (a limit, the
    // signature).
    std::string errorText;
};

// What a download may bring at most; more is refused and the partial file deleted.
struct ArchiveDownloadLimits {
    // An archive whose server announced no length. An announced length is the limit otherwise.
    std::uint64_t archiveWithoutLength = std::uint64_t{512} * 1024 * 1024;
    // The signature beside the archive (an Ed25519 signature has 64 bytes).
    std::uint64_t signature = 4 * 1024;
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

    ArchiveDownload(HttpClient& client, ArchiveDownloadHooks hooks, ProgressFormat format = {},
                    ArchiveDownloadLimits limits = {});

    // The regional settings may change between showings.
    void SetFormat(ProgressFormat format) { format_ = std::move(format); }

    // DownloadArchive: GET "/Updates/" + file from host into archivePath (created or truncated
    // first, streamed), then the signature beside it into archivePath + ".sig", which must be
    // a valid signature of the archive by one of `trustedKeys` (PEM). Call it only when an
    // update description is loaded and `file` stays below "/Updates/". Completed only with a
    // verified signature; on Aborted both files are deleted after the pause; on Failed (the
    // transfer failed, a limit was passed, the signature is missing or wrong) at once.
    ArchiveDownloadResult Run(const std::string& host, const std::string& file,
                              const std::string& archivePath,
                              const std::vector<std::string>& trustedKeys);
    // The archive's transfer alone, as Run makes it, without the signature (the download
    // benchmark). A completed archive is not verified: never install it.
    ArchiveDownloadResult FetchArchive(const std::string& host, const std::string& file,
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

    // The user confirmed the cancel: the running transfer (the archive's or the signature's)
    // is cut at once, also when its server announced no length or sends nothing.
    void RequestCancel();
    // Before a retry: CancelRequested and DownloadAborted become false.
    void ResetForRetry();
    // At each showing of the wizard: as ResetForRetry.
    void Reset() { ResetForRetry(); }

private:
    double Now() const;
    // The end of a transfer that was cut after a cancel: the pause, then the files go.
    ArchiveDownloadResult Aborted(const std::string& archivePath);
    // Cuts the running transfer because it passed a limit; `why` is the German refusal.
    void Refuse(std::string why);
    // The transfer of the archive or of its signature; a client that throws counts as failed.
    HttpResult Transfer(const HttpRequest& request, const std::string& target,
                        const HttpTransferEvents& events);
    HttpResult GetArchive(const std::string& host, const std::string& file,
                          const std::string& archivePath);
    HttpResult GetSignature(const std::string& host, const std::string& file,
                            const std::string& signaturePath);

    HttpClient& client_;
    ArchiveDownloadHooks hooks_;
    ProgressFormat format_;
    ArchiveDownloadLimits limits_;
    std::optional<std::uint64_t> announced_;
    // Set when a limit was passed: why the transfer was cut.
    std::string refusal_;
    bool downloading_ = false;
    bool cancelRequested_ = false;
    bool downloadAborted_ = false;
    std::uint64_t maximum_ = 0;
    double startSeconds_ = 0;
};

}  // namespace rangwerk
