#include "update/archive_download.h"

#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

namespace rangwerk {

namespace {

void RemoveQuietly(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::u8path(path), ignored);
}

// Clears a flag when the scope ends, however it ends.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
};

}  // namespace

ArchiveDownload::ArchiveDownload(HttpClient& client, ArchiveDownloadHooks hooks,
                                 ProgressFormat format)
    : client_(client), hooks_(std::move(hooks)), format_(std::move(format)) {}

double ArchiveDownload::Now() const {
    if (hooks_.nowSeconds) {
        return hooks_.nowSeconds();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void ArchiveDownload::ResetForRetry() {
    cancelRequested_ = false;
    downloadAborted_ = false;
}

void ArchiveDownload::WorkBegin(std::optional<std::uint64_t> announcedLength) {
    maximum_ = announcedLength.value_or(0);
    if (hooks_.setMaximum) {
        hooks_.setMaximum(maximum_);
    }
}

bool ArchiveDownload::Progress(std::uint64_t received) {
    if (maximum_ == 0) {
        return true;  // no length announced: no display and no cancel
    }
    if (hooks_.processEvents) {
        hooks_.processEvents();
    }
    if (hooks_.show) {
        hooks_.show(MakeDownloadDisplay(received, maximum_, Now() - startSeconds_, format_));
    }
    if (cancelRequested_) {
        downloadAborted_ = true;
        return false;
    }
    return true;
}

ArchiveDownloadResult ArchiveDownload::Run(const std::string& host, const std::string& file,
                                           const std::string& archivePath) {
    startSeconds_ = Now();
    maximum_ = 0;
    HttpRequest request;
    request.host = host;
    request.path = "/Updates/" + file;

    HttpResult transfer;
    {
        FlagGuard downloading(downloading_);
        HttpTransferEvents events;
        events.begin = [this](std::optional<std::uint64_t> length) { WorkBegin(length); };
        events.progress = [this](std::uint64_t received) { return Progress(received); };
        try {
            transfer = client_.Get(request, archivePath, events);
        } catch (const std::exception& e) {
            transfer.status = HttpResult::Status::Failed;
            transfer.errorText = e.what();
        }
    }

    ArchiveDownloadResult result;
    if (downloadAborted_) {
        // Cut off after a cancel; the client ends such a transfer without an error.
        if (hooks_.wait) {
            hooks_.wait(kAbortPauseMs);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(kAbortPauseMs));
        }
        RemoveQuietly(archivePath);
        result.status = ArchiveDownloadResult::Status::Aborted;
        return result;
    }
    if (!transfer.ok()) {
        // A half-written archive must never reach the installation.
        RemoveQuietly(archivePath);
        result.status = ArchiveDownloadResult::Status::Failed;
        result.errorText = transfer.errorText;
        return result;
    }

    // The signature beside the archive; a stale one from an earlier run must not survive.
    const std::string signaturePath = archivePath + ".sig";
    HttpRequest signatureRequest = request;
    signatureRequest.path += ".sig";
    HttpResult signature;
    try {
        signature = client_.Get(signatureRequest, signaturePath, HttpTransferEvents{});
    } catch (const std::exception&) {
        signature.status = HttpResult::Status::Failed;
    }
    if (!signature.ok()) {
        RemoveQuietly(signaturePath);
    }
    result.status = ArchiveDownloadResult::Status::Completed;
    return result;
}

}  // namespace rangwerk
