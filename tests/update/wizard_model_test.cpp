#include "update/wizard_model.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "platform/system.h"
#include "support/scripted_dialogs.h"
#include "support/test_registry.h"

#include <stdlib.h>
#include <filesystem>

namespace rangwerk {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedDialogs;
using Status = WizardDownloadResult::Status;

// One scripted transfer: the announced length, then the byte counts reported; `during` runs
// inside the report with the given index (a click made while the transfer runs).
struct ScriptedTransfer {
    ScriptedTransfer() = default;
    ScriptedTransfer(std::uint64_t l, std::vector<std::uint64_t> r,
                     std::function<void(std::size_t)> d)
        : length(l), reports(std::move(r)), during(std::move(d)) {}

    std::uint64_t length = 0;
    std::vector<std::uint64_t> reports;
    std::function<void(std::size_t)> during;
    // Set instead of running the reports: the transfer fails by itself.
    std::string failure;
};

class ScriptedBackend : public WizardBackend {
public:
    void BeginShowing(const WizardInputs& in) override {
        ++showings;
        inputs = in;
    }
    bool CheckForUpdates() override {
        ++checks;
        aborted = false;
        if (duringCheck) {
            const auto during = std::exchange(duringCheck, nullptr);  // once
            during();
        }
        if (aborted)
            return false;  // the request was cut
        if (!checkFailure.empty())
            throw Failure(checkFailure);
        return checkSucceeds;
    }
    bool UpdatesAvailable() const override { return available; }
    std::string CheckResultText() override { return available ? "mit Updates" : "ohne Updates"; }

    WizardDownloadResult DownloadArchive(
        const std::function<void(std::uint64_t)>& begin,
        const std::function<bool(std::uint64_t)>& progress) override {
        EXPECT_FALSE(transfers.empty()) << "unexpected download";
        if (transfers.empty())
            return {};
        ScriptedTransfer t = transfers.front();
        transfers.pop_front();
        ++downloads;
        aborted = false;
        if (!t.failure.empty())
            return {Status::Failed, t.failure};
        begin(t.length);
        deliver = progress;
        for (std::size_t i = 0; i < t.reports.size(); ++i) {
            if (t.during)
                t.during(i);
            if (aborted)
                return {Status::Aborted, ""};  // cut at once, before any further report
            ++reportsDelivered;
            if (!progress(t.reports[i]))
                return {Status::Aborted, ""};
        }
        return {Status::Completed, ""};
    }
    void AbortTransfer() override {
        ++aborts;
        aborted = true;
    }
    void DiscardDownload() override { ++discards; }
    WizardProgress DescribeProgress(std::uint64_t received, std::uint64_t maximum) override {
        return {received, std::to_string(received * 100 / maximum) + " %",
                std::to_string(received) + " von " + std::to_string(maximum), "verbleibende Zeit"};
    }
    WizardInstallResult PrepareInstallation(bool restart) override {
        restartAsked.push_back(restart);
        return install;
    }
    void ReleaseDescription() override { ++releases; }
    void RenewReminder() override {
        ++renewals;
        if (!renewalFailure.empty())
            throw Failure(renewalFailure);
    }
    void StartUpdateBatch() override { ++batches; }
    void RequestTermination() override { ++terminations; }

    bool checkSucceeds = true;
    // Runs while the check waits for the server (clicks that come in meanwhile).
    std::function<void()> duringCheck;
    std::string checkFailure;
    bool available = true;
    std::deque<ScriptedTransfer> transfers;
    WizardInstallResult install{true, ""};
    WizardInputs inputs;
    std::vector<bool> restartAsked;
    std::string renewalFailure;
    // The progress callback of the running download (for reports delivered nested).
    std::function<bool(std::uint64_t)> deliver;
    bool aborted = false;
    int showings = 0, checks = 0, downloads = 0, reportsDelivered = 0, aborts = 0, discards = 0;
    int releases = 0, renewals = 0, batches = 0, terminations = 0;
};

class RecordingWindow : public WizardWindow {
public:
    void Refresh() override { ++refreshes; }
    void ProcessEvents() override {
        ++pumps;
        if (duringPump)
            std::exchange(duringPump, nullptr)();  // once
    }
    void Close() override { ++closes; }
    int refreshes = 0, pumps = 0, closes = 0;
    // Runs inside the next pump (what the window's pending events do).
    std::function<void()> duringPump;
};

class WizardModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("rangwerk-wizard-" + std::to_string(SystemSeedSource().Seed()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        registry_ = std::make_unique<testing_support::TestRegistry>(folder_);
        model_ = std::make_unique<WizardModel>(backend_, dialogs_, *registry_);
        model_->SetWindow(&window_);
    }
    void TearDown() override {
        model_.reset();
        registry_.reset();
        fs::remove_all(folder_);
    }

    // Welcome -> check page -> a successful check -> result page.
    void ToResult() {
        model_->FormShow();
        model_->Button_NextClick();
        model_->Button_CheckClick();
    }

    // A confirmation with Ja and Nein, preceded by the question sound.
    static void ExpectCancelQuestion(const MessageRequest& r) {
        EXPECT_EQ(r.text, "Soll der Download wirklich abgebrochen werden?");
        EXPECT_EQ(r.caption, "Bestätigung");
        EXPECT_EQ(r.icon, MessageIcon::Question);
        EXPECT_EQ(r.buttons, (std::vector<MessageButton>{MessageButton::Yes, MessageButton::No}));
        EXPECT_EQ(r.escapeButton, MessageButton::No);
        EXPECT_EQ(r.sound, SystemSound::Question);
    }

    const WizardScreen& S() const { return model_->Screen(); }

    fs::path folder_;
    ScriptedBackend backend_;
    ScriptedDialogs dialogs_;
    RecordingWindow window_;
    std::unique_ptr<testing_support::TestRegistry> registry_;
    std::unique_ptr<WizardModel> model_;
};

TEST_F(WizardModelTest, WalksEveryStepWithUpdatesToTheInstallationAtProgramEnd) {
    model_->FormShow();
    EXPECT_EQ(backend_.showings, 1);
    EXPECT_EQ(S().page, WizardPage::Welcome);
    EXPECT_EQ(S().title, "Willkommen");
    EXPECT_TRUE(S().nextEnabled);
    EXPECT_TRUE(S().cancelEnabled);
    EXPECT_TRUE(S().settingsButtonVisible);

    model_->Button_NextClick();
    EXPECT_EQ(model_->Step(), 1);
    EXPECT_EQ(S().page, WizardPage::Check);
    EXPECT_EQ(S().title, "Auf neue Updates prüfen");
    EXPECT_EQ(S().stripStep, 1);
    EXPECT_FALSE(S().nextEnabled);

    // While the archive arrives the page shows the progress and the next button stays off.
    std::vector<bool> nextDuring;
    std::vector<std::string> cancelCaptionDuring;
    backend_.transfers.push_back({1000, {250, 1000}, [&](std::size_t) {
                                      nextDuring.push_back(S().nextEnabled);
                                      cancelCaptionDuring.push_back(S().cancelDownloadCaption);
                                      EXPECT_TRUE(model_->Downloading());
                                  }});
    model_->Button_CheckClick();
    EXPECT_EQ(model_->Step(), 2);
    EXPECT_EQ(S().page, WizardPage::Result);
    EXPECT_EQ(S().checkResult, "mit Updates");
    EXPECT_EQ(S().nextCaption, "Weiter >");
    EXPECT_TRUE(S().nextEnabled);
    EXPECT_TRUE(S().cancelEnabled);

    const int pumpsBefore = window_.pumps;
    model_->Button_NextClick();
    EXPECT_EQ(model_->Step(), 3);
    EXPECT_EQ(S().page, WizardPage::Download);
    EXPECT_EQ(S().title, "Download der Updates");
    EXPECT_EQ(nextDuring, (std::vector<bool>{false, false}));
    EXPECT_EQ(cancelCaptionDuring[0], "Download ab&brechen");
    // Once before the transfer so the page is drawn, then at every report.
    EXPECT_EQ(window_.pumps - pumpsBefore, 3);
    EXPECT_FALSE(model_->Downloading());
    EXPECT_EQ(S().progressMaximum, 1000u);
    EXPECT_EQ(S().progressPosition, 1000u);
    EXPECT_EQ(S().perCent, "100 %");
    EXPECT_EQ(S().downloadText, kWizardDownloadDoneText);
    EXPECT_FALSE(S().cancelDownloadVisible);
    EXPECT_TRUE(S().nextEnabled);

    model_->Button_NextClick();
    EXPECT_EQ(S().page, WizardPage::Install);
    EXPECT_EQ(S().title, "Installieren");

    model_->CheckBox_RestartClick(false);
    model_->Button_NextClick();
    EXPECT_EQ(backend_.restartAsked, std::vector<bool>{false});
    EXPECT_TRUE(model_->InstallPrepared());
    EXPECT_EQ(S().page, WizardPage::Finish);
    EXPECT_EQ(S().title, "Abschließen der Installation");
    EXPECT_EQ(S().nextCaption, "Beenden");
    EXPECT_FALSE(S().cancelEnabled);

    model_->Button_NextClick();
    EXPECT_EQ(model_->Step(), 6);
    EXPECT_EQ(backend_.terminations, 1);
    EXPECT_EQ(window_.closes, 1);
    EXPECT_EQ(S().page, WizardPage::Finish);
    model_->FormClose();
    EXPECT_EQ(backend_.terminations, 1) << "step 6 asked already";

    model_->FormDestroy();
    EXPECT_EQ(backend_.releases, 1);
    EXPECT_EQ(backend_.renewals, 1);
    EXPECT_EQ(backend_.batches, 1);
    EXPECT_EQ(backend_.discards, 0) << "the installation took the archive";
    EXPECT_TRUE(dialogs_.AllAnswered());
}

TEST_F(WizardModelTest, AReminderThatCannotBeWrittenStillStartsThePreparedUpdate) {
    backend_.transfers.push_back({10, {10}, nullptr});
    backend_.renewalFailure = "Der Wert kann nicht geschrieben werden";
    ToResult();
    model_->Button_NextClick();
    model_->Button_NextClick();
    model_->Button_NextClick();
    ASSERT_TRUE(model_->InstallPrepared());
    try {
        model_->FormDestroy();
        FAIL() << "the failed renewal was not reported";
    } catch (const Failure& f) {
        EXPECT_STREQ(f.what(), "Der Wert kann nicht geschrieben werden");
    }
    EXPECT_EQ(backend_.renewals, 1);
    EXPECT_EQ(backend_.batches, 1);
}

TEST_F(WizardModelTest, ClosingThePreparedInstallationByTheCloseBoxEndsTheProgramToo) {
    backend_.transfers.push_back({10, {10}, nullptr});
    ToResult();
    model_->Button_NextClick();
    model_->Button_NextClick();
    model_->Button_NextClick();
    ASSERT_TRUE(model_->InstallPrepared());
    EXPECT_TRUE(model_->FormCloseQuery());
    model_->FormClose();
    EXPECT_EQ(backend_.terminations, 1);
}

TEST_F(WizardModelTest, FinishingWithoutUpdatesRenewsTheReminderButTheCloseBoxDoesNot) {
    backend_.available = false;
    ToResult();
    EXPECT_EQ(S().checkResult, "ohne Updates");
    EXPECT_EQ(S().nextCaption, "Beenden");
    EXPECT_TRUE(S().nextEnabled);
    EXPECT_FALSE(S().cancelEnabled);

    // The close box on the result page: nothing to renew.
    EXPECT_TRUE(model_->FormCloseQuery());
    model_->FormClose();
    EXPECT_FALSE(model_->EndedWithoutUpdates());

    // A second showing left by "Beenden": no download, the window closes, the reminder moves.
    ToResult();
    model_->Button_NextClick();
    EXPECT_EQ(backend_.downloads, 0);
    EXPECT_EQ(window_.closes, 1);
    EXPECT_TRUE(model_->EndedWithoutUpdates());
    model_->FormClose();
    EXPECT_EQ(backend_.terminations, 0);

    // Only the last showing counts: a third one left by "Abbrechen" forgets it.
    model_->FormShow();
    model_->Button_CancelClick();
    EXPECT_EQ(window_.closes, 2);
    model_->FormDestroy();
    EXPECT_EQ(backend_.renewals, 0);
    EXPECT_EQ(backend_.batches, 0);

    // ... whereas ending with "Beenden" last renews it.
    backend_.renewals = 0;
    ToResult();
    model_->Button_NextClick();
    model_->FormDestroy();
    EXPECT_EQ(backend_.renewals, 1);
    EXPECT_EQ(backend_.batches, 0);
}

TEST_F(WizardModelTest, AFailedCheckLeavesTheWizardOnTheCheckPage) {
    backend_.checkSucceeds = false;
    dialogs_.AnswerMessage(MessageButton::Ok);
    ToResult();
    EXPECT_EQ(backend_.checks, 1);
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].text, "Es besteht keine Internetverbindung.");
    EXPECT_EQ(dialogs_.messages[0].caption, "Internetverbindung erforderlich");
    EXPECT_EQ(model_->Step(), 1);
    EXPECT_EQ(S().page, WizardPage::Check);
    EXPECT_FALSE(S().nextEnabled);
    backend_.checkSucceeds = true;
    model_->Button_CheckClick();
    EXPECT_EQ(model_->Step(), 2);
}

TEST_F(WizardModelTest, ADoubleClickOnTheCheckMovesOnePageOn) {
    backend_.duringCheck = [&] {
        EXPECT_FALSE(S().checkEnabled);
        model_->Button_CheckClick();
    };
    ToResult();
    EXPECT_EQ(backend_.checks, 1);
    // One page on: the result waits for the user, no download has started.
    EXPECT_EQ(model_->Step(), 2);
    EXPECT_EQ(S().page, WizardPage::Result);
    EXPECT_EQ(backend_.downloads, 0);
    EXPECT_TRUE(S().checkEnabled);
    EXPECT_TRUE(model_->FormCloseQuery());
}

TEST_F(WizardModelTest, CancellingTheCheckCutsItAndClosesTheWizardWithoutABox) {
    // "Abbrechen" (Escape presses it) and the close box, each while the check waits.
    const std::function<void()> cancels[] = {
        [&] { model_->Button_CancelClick(); },
        [&] {
            EXPECT_FALSE(model_->FormCloseQuery());
            EXPECT_FALSE(model_->FormCloseQuery());  // a second click asks nothing more
        },
    };
    for (const auto& cancel : cancels) {
        window_.closes = backend_.aborts = 0;
        backend_.duringCheck = [&] {
            EXPECT_TRUE(S().cancelEnabled);
            cancel();
            EXPECT_EQ(window_.closes, 0) << "closed while the check ran";
        };
        ToResult();
        EXPECT_EQ(backend_.aborts, 1);
        EXPECT_EQ(window_.closes, 1);
        EXPECT_EQ(model_->Step(), 1);
        EXPECT_TRUE(S().checkEnabled);
        EXPECT_TRUE(dialogs_.messages.empty());
    }
    // A check that answered just before the cancel took effect closes all the same.
    backend_.duringCheck = [&] {
        model_->Button_CancelClick();
        backend_.aborted = false;
    };
    ToResult();
    EXPECT_EQ(window_.closes, 2);
    EXPECT_EQ(model_->Step(), 1);
    EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(WizardModelTest, ACheckThatThrowsGivesTheButtonsBack) {
    backend_.checkFailure = "Die Verbindung ist abgebrochen";
    model_->FormShow();
    model_->Button_NextClick();
    EXPECT_THROW(model_->Button_CheckClick(), Failure);
    EXPECT_EQ(model_->Step(), 1);
    EXPECT_TRUE(S().checkEnabled);
    EXPECT_TRUE(S().cancelEnabled);
    EXPECT_FALSE(model_->Checking());
    backend_.checkFailure.clear();
    model_->Button_CheckClick();
    EXPECT_EQ(model_->Step(), 2);
}

TEST_F(WizardModelTest, ARefusedInstallationKeepsThePageAndOnlyClosesTheWizard) {
    backend_.transfers.push_back({10, {10}, nullptr});
    backend_.install = {false, "Die Installationsdateien wurden nicht gefunden."};
    ToResult();
    model_->Button_NextClick();
    model_->Button_NextClick();
    model_->Button_NextClick();
    EXPECT_EQ(model_->Step(), 5);
    EXPECT_EQ(S().page, WizardPage::Install);
    EXPECT_EQ(S().title, "Installieren");
    EXPECT_EQ(S().stripStep, 4);
    EXPECT_EQ(S().installText, "Die Installationsdateien wurden nicht gefunden.");
    EXPECT_TRUE(S().installErrorIcon);
    EXPECT_FALSE(S().nextEnabled);
    EXPECT_TRUE(S().cancelEnabled);
    EXPECT_FALSE(model_->InstallPrepared());

    model_->Button_CancelClick();
    EXPECT_EQ(window_.closes, 1);
    model_->FormClose();
    EXPECT_EQ(backend_.terminations, 0);
    // The archive that was not installed is removed once.
    EXPECT_EQ(backend_.discards, 1);
    model_->FormClose();
    EXPECT_EQ(backend_.discards, 1);
    model_->FormDestroy();
    EXPECT_EQ(backend_.renewals, 0);
    EXPECT_EQ(backend_.batches, 0);

    // The next showing starts clean, without the refusal on the page.
    model_->FormShow();
    EXPECT_EQ(S().installText, kWizardInstallText);
    EXPECT_FALSE(S().installErrorIcon);
    EXPECT_EQ(S().stripStep, 0);
}

TEST_F(WizardModelTest, CancelDuringTheDownloadOffersTheRetryWhichStartsAgain) {
    // Report 1 of 3: the user clicks "Download abbrechen" and answers Nein, report 2: Ja.
    dialogs_.AnswerMessage(MessageButton::No);
    dialogs_.AnswerMessage(MessageButton::Yes);
    backend_.transfers.push_back({300, {100, 200, 300}, [&](std::size_t i) {
                                      if (i < 2)
                                          model_->CancelDownloadClick();
                                  }});
    ToResult();
    model_->Button_NextClick();
    ASSERT_EQ(dialogs_.messages.size(), 2u);
    ExpectCancelQuestion(dialogs_.messages[0]);
    // Cut at once on Ja, without waiting for a further report.
    EXPECT_EQ(backend_.aborts, 1);
    EXPECT_EQ(backend_.reportsDelivered, 1);
    EXPECT_TRUE(model_->DownloadAborted());
    EXPECT_FALSE(model_->Downloading());
    EXPECT_EQ(S().downloadText, kWizardDownloadAbortedText);
    EXPECT_EQ(S().cancelDownloadCaption, "Erneut versuchen");
    EXPECT_TRUE(S().cancelDownloadVisible);
    EXPECT_FALSE(S().nextEnabled);
    EXPECT_EQ(window_.closes, 0);

    // "Erneut versuchen": a fresh transfer from position 0 with the cancel caption back.
    std::vector<std::uint64_t> positionsAtStart;
    backend_.transfers.push_back({300, {300}, [&](std::size_t) {
                                      positionsAtStart.push_back(S().progressPosition);
                                      EXPECT_EQ(S().cancelDownloadCaption, "Download ab&brechen");
                                      EXPECT_EQ(S().downloadText, kWizardDownloadText);
                                      EXPECT_FALSE(model_->CancelRequested());
                                      EXPECT_FALSE(model_->DownloadAborted());
                                  }});
    model_->CancelDownloadClick();
    EXPECT_EQ(backend_.downloads, 2);
    EXPECT_EQ(positionsAtStart, std::vector<std::uint64_t>{0});
    EXPECT_EQ(model_->Step(), 3);
    EXPECT_TRUE(S().nextEnabled);
    EXPECT_EQ(S().downloadText, kWizardDownloadDoneText);
    EXPECT_TRUE(dialogs_.AllAnswered());
}

TEST_F(WizardModelTest, ClosingDuringTheTransferWaitsForItToStopAndClosesOnce) {
    // The close box with Nein refuses; then the cancel button with Ja, and the close box while
    // the cut is still pending asks nothing more.
    dialogs_.AnswerMessage(MessageButton::No);
    dialogs_.AnswerMessage(MessageButton::Yes);
    std::vector<bool> closeAllowed;
    backend_.transfers.push_back({400, {100, 200, 300, 400}, [&](std::size_t i) {
                                      if (i == 0)
                                          closeAllowed.push_back(model_->FormCloseQuery());
                                      if (i == 1) {
                                          model_->Button_CancelClick();
                                          closeAllowed.push_back(model_->FormCloseQuery());
                                      }
                                      EXPECT_EQ(window_.closes, 0)
                                          << "closed while the transfer ran";
                                  }});
    ToResult();
    model_->Button_NextClick();
    EXPECT_EQ(closeAllowed, (std::vector<bool>{false, false}));
    EXPECT_EQ(dialogs_.messages.size(), 2u);
    // Cut at once when Ja was given.
    EXPECT_EQ(backend_.reportsDelivered, 1);
    EXPECT_EQ(window_.closes, 1);
    EXPECT_FALSE(model_->CloseAfterTransfer());
    // The close that follows the transfer is allowed and does not end the program.
    EXPECT_TRUE(model_->FormCloseQuery());
    model_->FormClose();
    EXPECT_EQ(backend_.terminations, 0);
    EXPECT_TRUE(dialogs_.AllAnswered());
}

TEST_F(WizardModelTest, WithoutAnnouncedLengthNoProgressIsShownButTheCancelCuts) {
    dialogs_.AnswerMessage(MessageButton::Yes);
    backend_.transfers.push_back({0, {100, 200, 300}, [&](std::size_t i) {
                                      if (i == 1)
                                          model_->CancelDownloadClick();
                                  }});
    ToResult();
    model_->Button_NextClick();
    EXPECT_EQ(backend_.aborts, 1);
    EXPECT_EQ(backend_.reportsDelivered, 1);
    EXPECT_EQ(S().progressPosition, 0u);
    EXPECT_EQ(S().perCent, "");
    EXPECT_TRUE(model_->DownloadAborted());
    EXPECT_EQ(S().downloadText, kWizardDownloadAbortedText);
    EXPECT_EQ(S().cancelDownloadCaption, "Erneut versuchen");
    EXPECT_FALSE(S().nextEnabled);
    EXPECT_TRUE(dialogs_.AllAnswered());
}

TEST_F(WizardModelTest, TheLastReportStaysOnThePageWhenEarlierOnesReturnLate) {
    // While the first report processes the window's events, the rest of the transfer arrives
    // and is reported inside it; the first report returns last.
    backend_.transfers.push_back({1000, {280}, [&](std::size_t) {
                                      window_.duringPump = [&] {
                                          EXPECT_TRUE(backend_.deliver(640));
                                          EXPECT_TRUE(backend_.deliver(1000));
                                      };
                                  }});
    ToResult();
    model_->Button_NextClick();
    EXPECT_EQ(S().progressPosition, 1000u);
    EXPECT_EQ(S().perCent, "100 %");
    EXPECT_EQ(S().status, "1000 von 1000");
    EXPECT_EQ(S().downloadText, kWizardDownloadDoneText);
}

TEST_F(WizardModelTest, ADownloadFailingByItselfReportsItsTextAndOffersTheRetry) {
    ScriptedTransfer failing;
    failing.failure = "HTTP/1.1 404 Not Found";
    backend_.transfers.push_back(failing);
    ToResult();
    try {
        model_->Button_NextClick();
        FAIL() << "no failure reported";
    } catch (const Failure& f) {
        EXPECT_STREQ(f.what(), "HTTP/1.1 404 Not Found");
    }
    EXPECT_FALSE(model_->Downloading());
    EXPECT_EQ(S().cancelDownloadCaption, "Erneut versuchen");
    EXPECT_FALSE(S().nextEnabled);
    // Nothing runs, so the cancel button closes at once.
    model_->Button_CancelClick();
    EXPECT_EQ(window_.closes, 1);
    EXPECT_TRUE(dialogs_.AllAnswered());
}

TEST_F(WizardModelTest, TheSettingsPageComesInBetweenAndReturnsToTheStep) {
    model_->FormShow();
    model_->Button_NextClick();
    model_->Button_SettingsClick();
    EXPECT_EQ(S().page, WizardPage::Settings);
    EXPECT_EQ(S().title, "Einstellungen");
    EXPECT_EQ(S().buttonPage, WizardButtonPage::Settings);
    EXPECT_FALSE(S().settingsButtonVisible);
    EXPECT_FALSE(S().neverRemind);
    EXPECT_EQ(S().intervalDays, 28);
    EXPECT_TRUE(S().intervalEnabled);
    EXPECT_EQ(model_->Step(), 1);

    model_->RadioButton_UpdtClick(true);
    EXPECT_FALSE(S().intervalEnabled);
    model_->Button_SettingsSaveClick("28");
    EXPECT_EQ(S().page, WizardPage::Check);
    EXPECT_EQ(S().title, "Auf neue Updates prüfen");
    EXPECT_EQ(S().buttonPage, WizardButtonPage::Standard);
    EXPECT_TRUE(S().settingsButtonVisible);
    {
        auto key = registry_->OpenKey(RegistryRoot::LocalMachine, "Software\\Quarv\\Rangwerk");
        EXPECT_EQ(key->ReadString("NoUpdate"), std::string());
        EXPECT_FALSE(key->ValueExists("UpdateInterval"));
    }

    // Opened again it shows what was stored; cancelling stores nothing.
    model_->Button_SettingsClick();
    EXPECT_TRUE(S().neverRemind);
    EXPECT_FALSE(S().intervalEnabled);
    model_->RadioButton_UpdtClick(false);
    model_->Button_SettingsCancelClick();
    EXPECT_EQ(S().page, WizardPage::Check);
    {
        auto key = registry_->OpenKey(RegistryRoot::LocalMachine, "Software\\Quarv\\Rangwerk");
        EXPECT_TRUE(key->ValueExists("NoUpdate"));
    }

    // Saved with the regular reminder under the user's root when HKCU is set.
    WizardInputs inputs;
    inputs.hkcu = true;
    inputs.registryKey = "Anders";
    model_->SetInputs(inputs);
    model_->Button_SettingsClick();
    model_->RadioButton_UpdtClick(false);
    model_->Button_SettingsSaveClick("14");
    auto key = registry_->OpenKey(RegistryRoot::CurrentUser, "Software\\Quarv\\Anders");
    EXPECT_EQ(key->ReadDword("UpdateInterval"), 14u);
    EXPECT_FALSE(key->ValueExists("NoUpdate"));
}

TEST_F(WizardModelTest, TheSettingsPageDuringTheDownloadReturnsToTheDownloadPage) {
    backend_.transfers.push_back({100, {50, 100}, [&](std::size_t i) {
                                      if (i == 0)
                                          model_->Button_SettingsClick();
                                  }});
    ToResult();
    model_->Button_NextClick();
    // The transfer ended behind the settings page; it stays in front.
    EXPECT_EQ(S().page, WizardPage::Settings);
    EXPECT_EQ(S().title, "Einstellungen");
    EXPECT_TRUE(S().nextEnabled);
    model_->Button_SettingsCancelClick();
    EXPECT_EQ(S().page, WizardPage::Download);
    EXPECT_EQ(S().title, "Download der Updates");
}

TEST_F(WizardModelTest, ASecondShowingStartsAgainAtWelcome) {
    backend_.transfers.push_back({100, {100}, nullptr});
    ToResult();
    model_->Button_NextClick();
    model_->Button_NextClick();
    model_->Button_SettingsClick();
    EXPECT_TRUE(model_->FormCloseQuery());
    model_->FormClose();

    WizardInputs inputs;
    inputs.programName = "Anderes";
    model_->SetInputs(inputs);
    model_->FormShow();
    EXPECT_EQ(backend_.showings, 2);
    EXPECT_EQ(backend_.inputs.programName, "Anderes");
    EXPECT_EQ(model_->Step(), 0);
    EXPECT_EQ(S().page, WizardPage::Welcome);
    EXPECT_EQ(S().title, "Willkommen");
    EXPECT_EQ(S().buttonPage, WizardButtonPage::Standard);
    EXPECT_TRUE(S().settingsButtonVisible);
    EXPECT_TRUE(S().nextEnabled);
    EXPECT_TRUE(S().cancelEnabled);
    EXPECT_EQ(S().nextCaption, "Weiter >");
    EXPECT_FALSE(model_->InstallPrepared());
    EXPECT_FALSE(model_->CancelRequested());
    EXPECT_FALSE(model_->DownloadAborted());
    // The old result no longer counts: a check without updates now ends with "Beenden".
    backend_.available = false;
    model_->Button_NextClick();
    model_->Button_CheckClick();
    EXPECT_EQ(S().nextCaption, "Beenden");
}

}  // namespace
}  // namespace rangwerk
