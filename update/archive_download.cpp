#include "update/archive_download.h"

#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

#include "base/path_text.h"
#include "platform/temp_files.h"
#include "update/format_size.h"
#include "update/installation.h"
#include "update/signature.h"

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

constexpr const char* kDiscarded = " Der Download wurde verworfen.";

std::string SignatureRefusal(SignatureCheck check) {
    switch (check) {
        case SignatureCheck::Missing:
            return std::string("Die Signatur des Update-Archivs ist unvollständig.") + kDiscarded;
        case SignatureCheck::Unreadable:
            return std::string("Das heruntergeladene Update-Archiv kann nicht gelesen werden.") +
                   kDiscarded;
        case SignatureCheck::Invalid:
        case SignatureCheck::Valid:
            break;
    }
    return std::string("Das Update-Archiv trägt keine gültige Signatur des Herstellers.") +
           kDiscarded;
}

ArchiveDownloadResult Failed(std::string text) {
    ArchiveDownloadResult result;
    result.status = ArchiveDownloadResult::Status::Failed;
    result.errorText = std::move(text);
    return result;
}

}  // namespace

ArchiveDownload::ArchiveDownload(HttpClient& client, ArchiveDownloadHooks hooks,
                                 ProgressFormat format, ArchiveDownloadLimits limits)
    : client_(client), hooks_(std::move(hooks)), format_(std::move(format)), limits_(limits) {}

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

void ArchiveDownload::RequestCancel() {
    cancelRequested_ = true;
    if (downloading_) {
        client_.Abort();
    }
}

void ArchiveDownload::Refuse(std::string why) {
    if (refusal_.empty()) {
        refusal_ = std::move(why);
    }
    client_.Abort();
}

void ArchiveDownload::WorkBegin(std::optional<std::uint64_t> announcedLength) {
    announced_ = announcedLength;
    maximum_ = announcedLength.value_or(0);
    if (hooks_.setMaximum) {
        hooks_.setMaximum(maximum_);
    }
}

bool ArchiveDownload::Progress(std::uint64_t received) {
    if (announced_ && received > *announced_) {
        refusal_ =
            "Der Server hat mehr Daten gesendet, als er für das Update-Archiv angekündigt "
            "hat (" +
            FormatSize(*announced_, format_.decimalSeparator) + ")." + kDiscarded;
        return false;
    }
    if (!announced_ && received > limits_.archiveWithoutLength) {
        refusal_ = "Das Update-Archiv ist größer als " +
                   FormatSize(limits_.archiveWithoutLength, format_.decimalSeparator) +
                   ", und der Server hat seine Größe nicht angekündigt." + kDiscarded;
        return false;
    }
    // Without an announced length nothing is shown; a cancel has cut the transfer already.
    if (maximum_ != 0) {
        if (hooks_.processEvents) {
            hooks_.processEvents();
        }
        if (hooks_.show) {
            hooks_.show(MakeDownloadDisplay(received, maximum_, Now() - startSeconds_, format_));
        }
    }
    if (cancelRequested_) {
        downloadAborted_ = true;
        return false;
    }
    return true;
}

HttpResult ArchiveDownload::Transfer(const HttpRequest& request, const std::string& target,
                                     const HttpTransferEvents& events) {
    HttpResult transfer;
    try {
        // The file is made new first, by name inside the checked folder, so that nothing planted
        // under its name (a link, another's file) is written through.
        UpdateFolder(FolderOfPath(target)).Create(FileNameOfPath(target)).Close();
        transfer = client_.Get(request, target, events);
    } catch (const std::exception& e) {
        transfer.status = HttpResult::Status::Failed;
        transfer.errorText = e.what();
    }
    return transfer;
}

HttpResult ArchiveDownload::GetArchive(const std::string& host, const std::string& file,
                                       const std::string& archivePath) {
    startSeconds_ = Now();
    maximum_ = 0;
    announced_.reset();
    HttpRequest request;
    request.host = host;
    request.path = "/Updates/" + file;
    HttpTransferEvents events;
    events.begin = [this](std::optional<std::uint64_t> length) { WorkBegin(length); };
    events.progress = [this](std::uint64_t received) { return Progress(received); };
    return Transfer(request, archivePath, events);
}

HttpResult ArchiveDownload::GetSignature(const std::string& host, const std::string& file,
                                         const std::string& signaturePath) {
    HttpRequest request;
    request.host = host;
    request.path = "/Updates/" + file + ".sig";
    const std::string tooLarge = "Die Signatur des Update-Archivs ist größer als " +
                                 FormatSize(limits_.signature, format_.decimalSeparator) + "." +
                                 kDiscarded;
    HttpTransferEvents events;
    events.begin = [&](std::optional<std::uint64_t> length) {
        if (length && *length > limits_.signature) {
            Refuse(tooLarge);
        }
    };
    events.progress = [&](std::uint64_t received) {
        if (received > limits_.signature) {
            refusal_ = tooLarge;
            return false;
        }
        return !cancelRequested_;
    };
    return Transfer(request, signaturePath, events);
}

ArchiveDownloadResult ArchiveDownload::Aborted(const std::string& archivePath) {
    // Cut off after a cancel; the client ends such a transfer without an error.
    downloadAborted_ = true;
    if (hooks_.wait) {
        hooks_.wait(kAbortPauseMs);
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(kAbortPauseMs));
    }
    DiscardDownloadedArchive(archivePath);
    ArchiveDownloadResult result;
    result.status = ArchiveDownloadResult::Status::Aborted;
    return result;
}

ArchiveDownloadResult ArchiveDownload::FetchArchive(const std::string& host,
                                                    const std::string& file,
                                                    const std::string& archivePath) {
    refusal_.clear();
    HttpResult transfer;
    {
        FlagGuard downloading(downloading_);
        transfer = GetArchive(host, file, archivePath);
    }
    if (cancelRequested_) {
        return Aborted(archivePath);
    }
    if (!refusal_.empty() || !transfer.ok()) {
        // A half-written archive must never reach the installation.
        RemoveQuietly(archivePath);
        return Failed(refusal_.empty() ? transfer.errorText : refusal_);
    }
    ArchiveDownloadResult result;
    result.status = ArchiveDownloadResult::Status::Completed;
    return result;
}

ArchiveDownloadResult ArchiveDownload::Run(const std::string& host, const std::string& file,
                                           const std::string& archivePath,
                                           const std::vector<std::string>& trustedKeys) {
    refusal_.clear();
    // A signature left by an earlier run must not pass for this archive's.
    const std::string signaturePath = archivePath + ".sig";
    RemoveQuietly(signaturePath);

    HttpResult archive;
    HttpResult signature;
    {
        // The cancel question stays open to the user while the signature arrives, too.
        FlagGuard downloading(downloading_);
        archive = GetArchive(host, file, archivePath);
        if (archive.ok() && refusal_.empty() && !cancelRequested_) {
            signature = GetSignature(host, file, signaturePath);
        }
    }
    if (cancelRequested_) {
        return Aborted(archivePath);
    }
    auto discard = [&](std::string why) {
        DiscardDownloadedArchive(archivePath);
        return Failed(std::move(why));
    };
    if (!refusal_.empty()) {
        return discard(refusal_);
    }
    if (!archive.ok()) {
        return discard(archive.errorText);
    }
    if (!signature.ok()) {
        return discard("Die Signatur des Update-Archivs kann nicht geladen werden: " +
                       signature.errorText + "." + kDiscarded);
    }
    // The archive is accepted only as the maker signed it.
    const SignatureCheck check = VerifyArchiveSignature(archivePath, signaturePath, trustedKeys);
    if (check != SignatureCheck::Valid) {
        return discard(SignatureRefusal(check));
    }
    ArchiveDownloadResult result;
    result.status = ArchiveDownloadResult::Status::Completed;
    return result;
}

}  // namespace rangwerk
