#include "update/update_check.h"

#include "update/comma_list.h"

namespace rangwerk {

namespace {

constexpr const char* kNoUpdatesText =
    "Es stehen keine neuen Updates zur Verfügung. Klicken Sie auf \"Beenden\", um den "
    "Assistenten zu verlassen.";
constexpr const char* kUpdatesHead =
    "Es stehen neue Updates zum Download bereit.\r\n\r\nDie Updates beheben folgende Probleme "
    "bzw. stellen folgende neue Funktionen zur Verfügung:\r\n";
constexpr const char* kUpdatesTail =
    "\r\n\r\nKlicken Sie auf \"Weiter\", um die Updates jetzt herunterzuladen.";
constexpr const char* kNoNews = "keine Angaben gefunden";

}  // namespace

MessageRequest NoConnectionMessage() {
    return RefusalBox("Es besteht keine Internetverbindung.", "Internetverbindung erforderlich");
}

std::string FormatNewsList(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        text += "- ";
        text += item;
        text += "\r\n";
    }
    return text;
}

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Percent escapes decoded once; a broken escape stays as it is.
std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                decoded += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        decoded += text[i];
    }
    return decoded;
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// "..", and what a Windows server reads as ".." after dropping trailing dots and blanks.
bool IsParentSegment(std::string_view segment) {
    std::size_t dots = 0;
    for (const char c : segment) {
        if (c == '.')
            ++dots;
        else if (c != ' ')
            return false;
    }
    return dots >= 2;
}

// One reading of the value, as a server may see it.
bool StaysBelowUpdates(std::string_view file) {
    if (file.empty() || IsSeparator(file.front()))
        return false;
    for (const char c : file) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    }
    // A colon in the first segment makes a scheme ("http:") or a drive ("C:").
    const std::size_t firstEnd = file.find_first_of("/\\?#");
    if (file.substr(0, firstEnd).find(':') != std::string_view::npos)
        return false;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = file.find_first_of("/\\", begin);
        if (IsParentSegment(file.substr(begin, end == std::string_view::npos ? end : end - begin)))
            return false;
        if (end == std::string_view::npos)
            return true;
        begin = end + 1;
    }
}

}  // namespace

bool IsArchiveBelowUpdates(std::string_view file) {
    // Read as sent and as a server that decodes escapes (once or more) reads it.
    std::string reading(file);
    for (int round = 0; round < 4; ++round) {
        if (!StaysBelowUpdates(reading))
            return false;
        std::string decoded = PercentDecoded(reading);
        if (decoded == reading)
            return true;
        reading = std::move(decoded);
    }
    return false;  // escapes nested this deep are no file name
}

UpdateCheck::UpdateCheck(UpdateCheckServices services) : services_(services) {}

UpdateCheck::~UpdateCheck() {
    Release();
}

bool UpdateCheck::Fail(CheckFailure failure, std::string errorText) {
    updatesAvailable_ = false;
    lastFailure_ = failure;
    lastErrorText_ = std::move(errorText);
    return false;
}

bool UpdateCheck::CheckForUpdates(const UpdateCheckInputs& inputs) {
    updatesAvailable_ = false;
    lastFailure_ = CheckFailure::None;
    lastErrorText_.clear();
    aborted_ = false;

    if (!inputs.host.Known())
        return Fail(CheckFailure::NoHost);
    // A host chosen by the environment (a mirror, a local server) is asked directly.
    if (!inputs.host.overridden && !services_.connection.IsConnected()) {
        return Fail(CheckFailure::NoConnection);
    }
    inputs_ = inputs;

    if (!descriptionFile_.empty()) {
        services_.tempFiles.RemoveFile(descriptionFile_);
        descriptionFile_.clear();
    }
    const auto file = services_.tempFiles.CreateUniqueFile(inputs.tempFolder, kUpdateTempPrefix);
    if (!file) {
        return Fail(CheckFailure::TempFile);
    }
    descriptionFile_ = *file;

    // A description beyond the limit is cut off as soon as it is announced or has arrived.
    bool tooLarge = false;
    HttpTransferEvents events;
    events.begin = [&](std::optional<std::uint64_t> announced) {
        tooLarge = announced && *announced > kMaxUpdateDescriptionBytes;
    };
    events.progress = [&](std::uint64_t received) {
        tooLarge = tooLarge || received > kMaxUpdateDescriptionBytes;
        return !tooLarge;
    };
    const HttpRequest request{inputs.host.name, kUpdateDescriptionPath, inputs.readTimeoutMs};
    HttpResult result;
    running_ = true;
    try {
        result = services_.http.Get(request, descriptionFile_, events);
    } catch (...) {
        running_ = false;
        services_.tempFiles.RemoveFile(descriptionFile_);
        throw;
    }
    running_ = false;
    if (aborted_ || !result.ok()) {
        // What arrived is of no use; the name stays until the next check or the program end.
        services_.tempFiles.RemoveFile(descriptionFile_);
        if (aborted_)
            return Fail(CheckFailure::Aborted);
        return Fail(tooLarge ? CheckFailure::TooLarge : CheckFailure::Request, result.errorText);
    }
    auto description = ProfileFile::Load(descriptionFile_, kMaxUpdateDescriptionBytes);
    if (!description) {
        services_.tempFiles.RemoveFile(descriptionFile_);
        return Fail(CheckFailure::Unreadable);
    }
    updateDescription_ = std::move(*description);

    updatesAvailable_ = updateDescription_->SectionExists(inputs_.programName) &&
                        DescriptionDate(updateDescription_->ReadValue(
                            inputs_.programName, "Date")) >= inputs_.installedDate;
    return true;
}

void UpdateCheck::Abort() {
    if (!running_ || aborted_)
        return;
    aborted_ = true;
    services_.http.Abort();
}

double UpdateCheck::DescriptionDate(const std::optional<std::string>& value) const {
    const double now = services_.clock.Now();
    if (value) {
        if (const auto date =
                ParseShortDate(*value, inputs_.dateFormat, LocalDateTimeOf(now).year)) {
            return *date;
        }
    }
    return WholeDay(now);
}

std::vector<std::string> UpdateCheck::NewsItems() const {
    if (!updateDescription_) {
        return {};
    }
    const auto news = updateDescription_->ReadValue(inputs_.programName, "News");
    if (!news) {
        return {kNoNews};
    }
    std::vector<std::string> items = SplitCommaList(*news);
    const int currentYear = LocalDateTimeOf(services_.clock.Now()).year;
    const double installedDay = WholeDay(inputs_.installedDate);
    for (std::size_t i = items.size(); i-- > 0;) {
        // An item without a readable date before its first colon is kept.
        const auto colon = items[i].find(':');
        if (colon == std::string::npos) {
            continue;
        }
        const auto date = ParseShortDate(std::string_view(items[i]).substr(0, colon),
                                         inputs_.dateFormat, currentYear);
        if (date && WholeDay(*date) != installedDay && *date < inputs_.installedDate) {
            items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    return items;
}

std::string UpdateCheck::BuildCheckResultText() const {
    if (!updatesAvailable_) {
        return kNoUpdatesText;
    }
    return kUpdatesHead + FormatNewsList(NewsItems()) + kUpdatesTail;
}

std::string UpdateCheck::UpdateFile() const {
    if (!updateDescription_) {
        return {};
    }
    return updateDescription_->ReadString(inputs_.programName, "File", "");
}

void UpdateCheck::Release() {
    updateDescription_.reset();
    if (!descriptionFile_.empty()) {
        services_.tempFiles.RemoveFile(descriptionFile_);
        descriptionFile_.clear();
    }
}

}  // namespace rangwerk
