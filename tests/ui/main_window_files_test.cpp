// Saving, opening and beginning projects through the main window's model, with scripted dialogs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "project/project_file.h"
#include "ui/main_window_fixture.h"

namespace rangwerk {
namespace {

using testing::MainWindow;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

class MainWindowFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("rangwerk-main-window-" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

    // A project with three options, answered up to the pair (0, 2), with a combination.
    static void BuildRun(MainWindow& w) {
        w.model.SpeedButton_0NewClick();
        w.Add("Apfel", "rund");
        w.Add("Birne");
        w.Add("Zitrone", "sauer");
        w.model.Button_1NextClick();
        w.model.EditPointsField(ScoreField::Win, "3");
        w.StartRun(QueryOrder::Unchanged);
        w.model.Button_3Option1Click();  // Apfel > Birne
        ASSERT_EQ(w.project.combinations.AddCombination("Obst", {{"Apfel", 2}, {"Zitrone", 1}},
                                                        w.project.options),
                  std::nullopt);
    }

private:
    std::filesystem::path folder_;
};

TEST_F(MainWindowFiles, FirstSaveAsksForAFileAndSetsTheCaption) {
    MainWindow w;
    BuildRun(w);
    const std::string path = Path("Urlaub.opt");
    w.dialogs.AnswerFile(std::nullopt);  // cancelled: nothing written
    w.model.SpeedButton_SaveClick();
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(w.model.ProjectFileName().empty());
    EXPECT_EQ(w.Screen().caption, "Rangwerk");

    w.dialogs.AnswerFile(path);
    w.model.SpeedButton_SaveClick();
    EXPECT_TRUE(w.dialogs.AllAnswered());
    ASSERT_EQ(w.dialogs.files.size(), 2u);
    EXPECT_TRUE(w.dialogs.files[1].save);
    EXPECT_EQ(w.dialogs.files[1].request,
              (FileDialogRequest{"Rangwerk-Dateien (*.opt)|*.opt", "opt"}));
    EXPECT_EQ(w.model.ProjectFileName(), path);
    EXPECT_EQ(w.Screen().caption, "Rangwerk - [Urlaub.opt]");
    EXPECT_EQ(ReadProjectFile(path), CaptureProject(w.project, ViewFacts{3, 0, false}));
}

TEST_F(MainWindowFiles, ResaveQuestionAndItsThreeAnswers) {
    MainWindow w;
    BuildRun(w);
    const std::string first = Path("a.opt");
    const std::string second = Path("b.opt");
    w.dialogs.AnswerFile(first);
    w.model.SpeedButton_SaveClick();
    const Bytes saved = ReadBytes(first);

    w.model.Button_3RemisClick();  // changes the project
    // "Abbrechen": nothing is written.
    w.dialogs.AnswerMessage(MessageButton::Cancel);
    w.model.SpeedButton_SaveClick();
    EXPECT_EQ(
        w.dialogs.LastMessage(),
        ConfirmationQuestion("Möchten Sie die Daten wieder unter \"" + first + "\" speichern?"));
    EXPECT_EQ(ReadBytes(first), saved);

    // "&Nein", then a cancelled file dialog: nothing written, the old name stays.
    w.dialogs.AnswerMessage(MessageButton::No);
    w.dialogs.AnswerFile(std::nullopt);
    w.model.SpeedButton_SaveClick();
    EXPECT_EQ(ReadBytes(first), saved);
    EXPECT_EQ(w.model.ProjectFileName(), first);
    EXPECT_FALSE(std::filesystem::exists(second));

    // "&Nein" and a new file: written there, which becomes the file in use.
    w.dialogs.AnswerMessage(MessageButton::No);
    w.dialogs.AnswerFile(second);
    w.model.SpeedButton_SaveClick();
    EXPECT_EQ(w.model.ProjectFileName(), second);
    EXPECT_EQ(w.Screen().caption, "Rangwerk - [b.opt]");
    EXPECT_EQ(ReadBytes(first), saved);

    // "&Ja": written again to the file in use, here on the result page.
    w.model.Button_3RemisClick();
    w.dialogs.AnswerMessage(MessageButton::Yes);
    w.model.SpeedButton_SaveClick();
    EXPECT_EQ(ReadProjectFile(second).mainPage, 4);
    EXPECT_TRUE(w.dialogs.AllAnswered());

    // The file name lives on through "Startbildschirm" and a new project; the caption not.
    w.model.Button_RestartClick();
    EXPECT_EQ(w.Screen().caption, "Rangwerk");
    EXPECT_EQ(w.model.ProjectFileName(), second);
}

TEST_F(MainWindowFiles, OpenRestoresThePairPageAndWindows) {
    const std::string path = Path("Lauf.opt");
    {
        MainWindow w;
        BuildRun(w);
        w.model.InfoFieldEntered(PairSide::First);
        w.model.EditInfoField(PairSide::First, "rund und rot");  // saved though not left
        w.combinations.visible = true;
        w.combinations.page = 1;
        w.dialogs.AnswerFile(path);
        w.model.SpeedButton_SaveClick();
        ASSERT_TRUE(w.dialogs.AllAnswered());
    }
    MainWindow w;
    const MainWindowScreen& s = w.Screen();
    w.combinations.page = 0;
    w.model.CheckBox_2KeepOldRankingClick(false);
    // Only the start page opens files.
    w.model.SpeedButton_0NewClick();
    w.model.SpeedButton_0OpenClick();
    EXPECT_TRUE(w.dialogs.files.empty());
    w.model.Button_RestartClick();
    w.dialogs.AnswerFile(path);
    w.model.SpeedButton_0OpenClick();
    ASSERT_TRUE(w.dialogs.AllAnswered());
    EXPECT_FALSE(w.dialogs.files[0].save);
    EXPECT_EQ(w.dialogs.files[0].request, ProjectFileDialog());

    EXPECT_EQ(s.page, MainPage::Comparisons);
    EXPECT_EQ(s.headline, "Vergleich der Optionen");
    EXPECT_EQ(s.caption, "Rangwerk - [Lauf.opt]");
    EXPECT_EQ(s.pairNames, (std::array<std::string, 2>{"Apfel", "Zitrone"}));
    EXPECT_EQ(s.pairInfos, (std::array<std::string, 2>{"rund und rot", "sauer"}));
    EXPECT_EQ(s.focus, MainControl::Button_3Remis);
    EXPECT_EQ(s.points[0], "3");
    EXPECT_EQ(s.queryOrder, QueryOrder::Unchanged);
    EXPECT_TRUE(s.liveScore);
    EXPECT_TRUE(s.liveRankingVisible);
    EXPECT_TRUE(s.keepOldRanking);
    EXPECT_EQ(s.chooseMenu.size(), 3u);
    EXPECT_EQ(w.window.Rows(MainList::LiveRanking).size(), 3u);
    EXPECT_EQ(w.window.Rows(MainList::Options),
              (std::vector<std::string>{"Apfel", "Birne", "Zitrone"}));
    EXPECT_EQ(w.model.RankingRowName(0), "Apfel");
    EXPECT_EQ(w.project.combinations.Count(), 1u);
    EXPECT_GE(w.combinations.closed, 1);
    EXPECT_TRUE(w.combinations.visible);
    EXPECT_EQ(w.combinations.page, 1);

    // Answering goes on from the restored pair.
    w.model.Button_3RemisClick();
    EXPECT_EQ(s.pairNames[0], "Birne");
}

TEST_F(MainWindowFiles, OpenOnTheResultPageAndTheSettingsPage) {
    const std::string result = Path("Ergebnis.opt");
    const std::string settings = Path("Einstellungen.opt");
    {
        MainWindow w;
        BuildRun(w);
        w.model.Button_3NextClick();  // "Übersicht >"
        w.dialogs.AnswerFile(result);
        w.model.SpeedButton_SaveClick();
        w.model.Button_2_3_4BackClick();
        w.model.Button_2_3_4BackClick();
        w.dialogs.AnswerMessage(MessageButton::No);
        w.dialogs.AnswerFile(settings);
        w.model.SpeedButton_SaveClick();
        ASSERT_TRUE(w.dialogs.AllAnswered());
    }
    EXPECT_FALSE(ReadProjectFile(settings).firstIndex.has_value());
    MainWindow w;
    w.dialogs.AnswerFile(result);
    w.model.SpeedButton_0OpenClick();
    EXPECT_EQ(w.Screen().page, MainPage::Result);
    EXPECT_EQ(w.Screen().headline, "Ergebnis");
    EXPECT_EQ(w.window.Rows(MainList::ResultRanking).size(), 3u);
    EXPECT_FALSE(w.combinations.visible);
    // Back to the comparisons: the pair saved is shown again.
    w.model.Button_2_3_4BackClick();
    EXPECT_EQ(w.Screen().pairNames[1], "Zitrone");

    MainWindow other;
    other.dialogs.AnswerFile(settings);
    other.model.SpeedButton_0OpenClick();
    EXPECT_EQ(other.Screen().page, MainPage::Settings);
    EXPECT_EQ(other.Screen().headline, "Festlegen der Einstellungen");
    EXPECT_TRUE(other.window.Rows(MainList::LiveRanking).empty());
}

TEST_F(MainWindowFiles, AFailedOpenLeavesNothingBehind) {
    const std::string path = Path("kaputt.opt");
    {
        MainWindow w;
        BuildRun(w);
        w.dialogs.AnswerFile(path);
        w.model.SpeedButton_SaveClick();
    }
    Bytes bytes = ReadBytes(path);
    bytes.resize(bytes.size() / 2);  // ends in the middle of the option blocks
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));

    MainWindow w;
    w.combinations.visible = true;
    w.dialogs.AnswerFile(path);
    EXPECT_THROW(
        {
            try {
                w.model.SpeedButton_0OpenClick();
            } catch (const std::exception& e) {
                EXPECT_STREQ(e.what(), "Stream-Lesefehler");
                throw;
            }
        },
        std::exception);
    EXPECT_EQ(w.Screen().page, MainPage::Start);
    EXPECT_EQ(w.Screen().caption, "Rangwerk");
    EXPECT_EQ(w.model.ProjectFileName(), path);
    EXPECT_TRUE(w.project.options.Empty());
    EXPECT_FALSE(w.combinations.visible);
    EXPECT_TRUE(w.window.Rows(MainList::Options).empty());

    // A project whose steps fail once loaded: nothing of it stays behind either.
    class Failing : public CombinationsWindowControl {
    public:
        void ShowWindow() override { throw std::runtime_error("Fenster fehlt"); }
        void CloseWindow() override { ++closed; }
        bool WindowVisible() const override { return false; }
        int Page() const override { return 0; }
        void SetPage(int) override {}
        int closed = 0;
    } failing;
    {
        MainWindow saving;
        BuildRun(saving);
        saving.combinations.visible = true;
        saving.dialogs.AnswerFile(Path("offen.opt"));
        saving.model.SpeedButton_SaveClick();
    }
    w.model.SetCombinationsWindow(&failing);
    w.dialogs.AnswerFile(Path("offen.opt"));
    EXPECT_THROW(w.model.SpeedButton_0OpenClick(), std::runtime_error);
    EXPECT_EQ(failing.closed, 2);
    EXPECT_EQ(w.Screen().page, MainPage::Start);
    EXPECT_TRUE(w.project.options.Empty());
    EXPECT_TRUE(w.project.combinations.Empty());
    EXPECT_TRUE(w.window.Rows(MainList::Options).empty());
    EXPECT_TRUE(w.window.Rows(MainList::LiveRanking).empty());
}

#ifndef _WIN32
TEST_F(MainWindowFiles, APipeIsRefusedAtOnce) {
    // Nothing writes to it: the open must not wait. Should it wait for a writer after all, one
    // comes and goes, so that the test ends either way.
    const std::string fifo = Path("Rohr.opt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> done = false;
    std::thread writer([&] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done && std::chrono::steady_clock::now() < end) {
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    MainWindow w;
    w.dialogs.AnswerFile(fifo);
    std::string refusal;
    try {
        w.model.SpeedButton_0OpenClick();
    } catch (const std::exception& e) {
        refusal = e.what();
    }
    done = true;
    writer.join();
    EXPECT_EQ(refusal.rfind("Datei " + fifo + " kann nicht geöffnet werden. ", 0), 0u) << refusal;
    EXPECT_EQ(w.Screen().page, MainPage::Start);
}
#endif

TEST_F(MainWindowFiles, NewProjectSavedAtOnceIsTheShortestFile) {
    MainWindow w;
    BuildRun(w);
    w.model.Button_RestartClick();
    w.model.SpeedButton_0NewClick();
    w.model.CheckBox_2LiveScoreClick(false);
    w.combinations.page = 0;
    const std::string path = Path("neu.opt");
    w.dialogs.AnswerFile(path);
    w.model.SpeedButton_SaveClick();
    EXPECT_EQ(ReadBytes(path), (Bytes{0x02, 0x01, 0x02, 0x00, 0x02, 0x01, 0x02, 0x00, 0x02, 0xFF,
                                      0x02, 0xFF, 0x08, 0x02, 0x00, 0x02, 0x00, 0x08}));
}

}  // namespace
}  // namespace rangwerk
