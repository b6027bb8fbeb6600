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
    const HttpResult result = services_.http.Get(request, descriptionFile_, events);
    if (!result.ok()) {
        // What arrived is of no use; the name stays until the next check or the program end.
        services_.tempFiles.RemoveFile(descriptionFile_);
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
