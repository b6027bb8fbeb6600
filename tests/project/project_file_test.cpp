#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/wait.h>
#endif

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <thread>

#include "base/failure.h"
#include "project/project_file.h"
#include "support/counting_file_calls.h"
#include "support/environment.h"

namespace rangwerk {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string FailureOf(const Bytes& bytes) {
    try {
        ParseProjectFileBytes(bytes);
    } catch (const Failure& f) {
        return f.what();
    }
    return "";
}

// A project with every field set: answers decided and not, texts beyond Windows-1252 and
// beyond 255 bytes, a pair on the comparison page, combinations on the diagram page.
void FillProject(Project& p) {
    p.options.AddOption("Äpfel & Birnen", "Info mit ß und €");
    p.options.AddOption("Urlaub in Łódź 𝄞", std::string(300, 'x'));
    p.options.AddOption("Zitrone", "");
    p.options.AddOption("apfel", "Zeile 1\r\nZeile 2");
    RecordAnswer(p.options.At(0), p.options.At(1), Answer::FirstSuperior);
    RecordAnswer(p.options.At(1), p.options.At(3), Answer::Tie);
    RecordAnswer(p.options.At(2), p.options.At(3), Answer::SecondSuperior);
    p.scores = {3, 1, -2};
    p.queryOrder = QueryOrder::Random;
    p.liveScore = true;
    ASSERT_EQ(p.combinations.AddCombination("Reise", {{"Zitrone", 3}, {"apfel", 8191}}, p.options),
              std::nullopt);
    ASSERT_EQ(p.combinations.AddCombination("Leer", {}, p.options), std::nullopt);
    p.EvaluateCombinations();
    p.combinations.At(1).result = 1.0L / 3.0L;
}

TEST(ProjectFile, NewProjectIsEighteenBytes) {
    Project p;
    p.BeginNew();
    const Bytes bytes = ProjectFileBytes(CaptureProject(p, ViewFacts{1, 0, false}));
    EXPECT_EQ(bytes, (Bytes{0x02, 0x01, 0x02, 0x00, 0x02, 0x01, 0x02, 0x00, 0x02, 0xFF, 0x02, 0xFF,
                            0x08, 0x02, 0x00, 0x02, 0x00, 0x08}));
}

TEST(ProjectFile, PairFieldsOnlyAfterTheSettingsPage) {
    Project p;
    p.BeginNew();
    p.options.AddOption("A", "");
    p.options.AddOption("B", "");
    const auto page2 = ProjectFileBytes(CaptureProject(p, ViewFacts{2, 0, false}));
    const auto page3 = ProjectFileBytes(CaptureProject(p, ViewFacts{3, 0, false}));
    EXPECT_EQ(page3.size(), page2.size() + 4);
    EXPECT_FALSE(ParseProjectFileBytes(page2).firstIndex.has_value());
}

TEST(ProjectFile, RoundTripRestoresEveryField) {
    Project p;
    FillProject(p);
    p.run.Restore(1, 3);
    p.run.NextComparison(false);
    const ProjectData saved = CaptureProject(p, ViewFacts{3, 1, true});
    const Bytes bytes = ProjectFileBytes(saved);
    const ProjectData read = ParseProjectFileBytes(bytes);
    EXPECT_EQ(read, saved);
    EXPECT_EQ(read.firstIndex, 1);
    EXPECT_EQ(read.secondIndex, 3);
    EXPECT_EQ(ProjectFileBytes(read), bytes) << "rewriting gives the same bytes";

    Project q;
    LoadIntoProject(read, q);
    ASSERT_EQ(q.options.Count(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(q.options.At(i).id, p.options.At(i).id);
        EXPECT_EQ(q.options.At(i).name, p.options.At(i).name);
        EXPECT_EQ(q.options.At(i).info, p.options.At(i).info);
        EXPECT_EQ(q.options.At(i).results, p.options.At(i).results);
    }
    EXPECT_EQ(q.scores, (ScoreSettings{3, 1, -2}));
    EXPECT_EQ(q.queryOrder, QueryOrder::Random);
    EXPECT_TRUE(q.liveScore);
    EXPECT_TRUE(q.keepOldRanking) << "an opened project always keeps its decisions";
    ASSERT_EQ(q.combinations.Count(), 2u);
    EXPECT_EQ(q.combinations.At(0).members[1].option, &q.options.At(3));
    EXPECT_EQ(q.combinations.At(0).members[1].factor, 8191);
    EXPECT_EQ(q.combinations.At(0).result, p.combinations.At(0).result);
    EXPECT_EQ(q.combinations.At(1).result, 1.0L / 3.0L) << "the extended result is exact";
}

TEST(ProjectFile, TextsInEveryEncodingReadAlike) {
    // The name "Bär" as short text, long text, UTF-8 and UTF-16LE.
    const std::vector<Bytes> names = {
        {0x06, 0x03, 'B', 0xE4, 'r'},
        {0x0C, 0x03, 0x00, 0x00, 0x00, 'B', 0xE4, 'r'},
        {0x14, 0x04, 0x00, 0x00, 0x00, 'B', 0xC3, 0xA4, 'r'},
        {0x12, 0x03, 0x00, 0x00, 0x00, 'B', 0x00, 0xE4, 0x00, 'r', 0x00},
    };
    for (const Bytes& name : names) {
        Bytes file{0x02, 0x01, 0x02, 0x01};
        file.insert(file.end(), name.begin(), name.end());
        const Bytes rest{0x06, 0x00, 0x02, 0x00, 0x02, 0x00, 0x02, 0x00, 0x08,  // info, id, entry
                         0x02, 0x01, 0x02, 0x00, 0x02, 0xFF, 0x02, 0x00,        // points, order
                         0x07,  // any byte but 0x09 is false
                         0x02, 0x00, 0x02, 0x00, 0x09};
        file.insert(file.end(), rest.begin(), rest.end());
        const ProjectData d = ParseProjectFileBytes(file);
        ASSERT_EQ(d.options.size(), 1u);
        EXPECT_EQ(d.options[0].name, "Bär");
        EXPECT_FALSE(d.liveScore);
        EXPECT_TRUE(d.combinationsOpen);
    }
}

TEST(ProjectFile, EveryCutGivesAReadError) {
    Project p;
    FillProject(p);
    p.run.Restore(2, 3);
    p.run.NextComparison(false);
    const Bytes full = ProjectFileBytes(CaptureProject(p, ViewFacts{4, 1, true}));
    ASSERT_NO_THROW(ParseProjectFileBytes(full));
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        const Bytes part(full.begin(), full.begin() + static_cast<long>(cut));
        ASSERT_EQ(FailureOf(part), "Stream-Lesefehler") << "cut at " << cut;
    }
    Bytes longer = full;
    longer.push_back(0x42);
    EXPECT_NO_THROW(ParseProjectFileBytes(longer)) << "bytes after the last field are ignored";
}

TEST(ProjectFile, RefusesWhatTheProgramNeverWrites) {
    Project p;
    FillProject(p);
    p.run.Restore(1, 3);
    p.run.NextComparison(false);
    const ProjectData good = CaptureProject(p, ViewFacts{3, 0, false});
    ASSERT_NO_THROW(ParseProjectFileBytes(ProjectFileBytes(good)));
    auto refused = [&](auto change) {
        ProjectData d = good;
        change(d);
        return FailureOf(ProjectFileBytes(d));
    };
    const std::string invalid = "Ungültiger Eigenschaftswert";
    EXPECT_EQ(refused([](ProjectData& d) { d.mainPage = 5; }), invalid);
    EXPECT_EQ(refused([](ProjectData& d) { d.mainPage = -1; }), invalid);
    EXPECT_EQ(refused([](ProjectData& d) { d.firstIndex = 2, d.secondIndex = 2; }), invalid);
    EXPECT_EQ(refused([](ProjectData& d) { d.firstIndex = -1; }), invalid);
    EXPECT_EQ(refused([](ProjectData& d) { d.secondIndex = 4; }), invalid);
    EXPECT_EQ(refused([](ProjectData& d) { d.options[1].id = d.options[0].id; }), invalid);
    EXPECT_EQ(refused([](ProjectData& d) {
                  d.options[2].name = "ZITRONE";
                  d.options[3].name = "zitrone";
              }),
              invalid);
    EXPECT_EQ(refused([](ProjectData& d) { d.options[2].results[0].opponentId = 99; }), invalid);
    EXPECT_EQ(refused([](ProjectData& d) {
                  d.options[2].results[0].opponentId = d.options[2].results[1].opponentId;
              }),
              invalid);
    EXPECT_EQ(refused([](ProjectData& d) { d.combinations[0].members[0].factor = 0; }), invalid);
    EXPECT_EQ(refused([](ProjectData& d) { d.combinations[0].members[0].factor = 8192; }), invalid);
    EXPECT_EQ(refused([](ProjectData& d) { d.combinationsPage = 2; }), invalid);
    EXPECT_EQ(refused([](ProjectData& d) { d.queryOrder = 3; }), invalid);
    EXPECT_EQ(refused([](ProjectData& d) { d.combinations[0].members[0].optionId = 77; }),
              "Listenindex überschreitet das Maximum (4)");

    // Counts: negative, or more than the rest of the file can hold, fail at once.
    Bytes negative{0x02, 0x01, 0x02, 0xFF};
    EXPECT_EQ(FailureOf(negative), invalid);
    Bytes huge{0x02, 0x01, 0x04, 0xFF, 0xFF, 0xFF, 0x7F, 0x06, 0x00};
    EXPECT_EQ(FailureOf(huge), "Stream-Lesefehler");
    // Wrong tags for an Int and a Text.
    EXPECT_EQ(FailureOf({0x06, 0x00}), invalid);
    Bytes intForName{0x02, 0x01, 0x02, 0x01, 0x02, 0x00};
    intForName.resize(40, 0x08);
    EXPECT_EQ(FailureOf(intForName), invalid);
}

// A project whose rows of result entries come in several orders (options removed and moved),
// with every encoding an entry can take: ids of one, two and four bytes, outcomes beyond
// the usual -1, 0, +1.
ProjectData IrregularProject(int options) {
    Project p;
    p.BeginNew();
    for (int k = 0; k < options + 5; ++k) p.options.AddOption("Option " + std::to_string(k), "");
    for (int k = 0; k < 5; ++k) p.options.RemoveOption(static_cast<std::size_t>(3 * k));
    for (int k = 0; k + 1 < options; k += 7)
        p.options.MoveOption(static_cast<std::size_t>(k), false);
    for (std::size_t i = 0; i < p.options.Count(); ++i) {
        for (std::size_t j = i + 1; j < p.options.Count(); j += 3) {
            RecordAnswer(p.options.At(i), p.options.At(j), static_cast<Answer>((i + j) % 3));
        }
    }
    ProjectData d = CaptureProject(p, ViewFacts{2, 0, false});
    // Ids far apart, and outcomes the program never records but files may hold.
    std::map<std::uint32_t, std::uint32_t> renamed;
    for (StoredOption& o : d.options) renamed[o.id] = o.id * 70001u + 3u;
    for (StoredOption& o : d.options) {
        o.id = renamed[o.id];
        for (ResultEntry& e : o.results) {
            e.opponentId = renamed[e.opponentId];
            if (e.decided && e.outcome == 1 && e.opponentId % 5 == 0)
                e.outcome = 300;
        }
    }
    return d;
}

TEST(ProjectFile, RowsInAnyOrderAndEveryEntryFormReadBack) {
    const ProjectData d = IrregularProject(60);
    EXPECT_EQ(ParseProjectFileBytes(ProjectFileBytes(d)), d);
    // The options' own entries must stay undecided, whatever the order of a row.
    for (std::size_t row : {std::size_t{0}, std::size_t{1}, std::size_t{40}}) {
        ProjectData bad = d;
        for (ResultEntry& e : bad.options[row].results) {
            if (e.opponentId == bad.options[row].id)
                e.decided = true;
        }
        EXPECT_EQ(FailureOf(ProjectFileBytes(bad)), "Ungültiger Eigenschaftswert") << row;
    }
    // An opponent named twice in the first row, or in a later one.
    for (std::size_t row : {std::size_t{0}, std::size_t{7}}) {
        ProjectData bad = d;
        bad.options[row].results[3].opponentId = bad.options[row].results[4].opponentId;
        EXPECT_EQ(FailureOf(ProjectFileBytes(bad)), "Ungültiger Eigenschaftswert") << row;
    }
    // Two options with the same id.
    ProjectData twins = d;
    twins.options[2].id = twins.options[5].id;
    EXPECT_EQ(FailureOf(ProjectFileBytes(twins)), "Ungültiger Eigenschaftswert");
}

class ProjectFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("rangwerk-file-test-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string Path(const std::string& name) const { return (folder / name).string(); }
    static Bytes Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    std::size_t Entries() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                      std::filesystem::directory_iterator()));
    }
    std::filesystem::path folder;
};

TEST_F(ProjectFileOnDisk, SaveAndOpen) {
    Project p;
    FillProject(p);
    const ProjectData d = CaptureProject(p, ViewFacts{2, 0, false});
    SaveProjectFile(Path("Urlaub.opt"), d);
    EXPECT_EQ(Read(Path("Urlaub.opt")), ProjectFileBytes(d));
    EXPECT_EQ(ReadProjectFile(Path("Urlaub.opt")), d);
    SaveProjectFile(Path("Urlaub.opt"), d);  // over an existing file
    EXPECT_EQ(Entries(), 1u) << "no temporary file is left behind";
}

TEST_F(ProjectFileOnDisk, LargeFilesAreReadAcrossBlocks) {
    // Large enough that entries and texts straddle the blocks the file is read in.
    ProjectData d = IrregularProject(170);
    d.options[100].info = std::string(70000, 'i') + "ä";
    SaveProjectFile(Path("gross.opt"), d);
    ASSERT_GT(Read(Path("gross.opt")).size(), 3u * 65536u);
    EXPECT_EQ(ReadProjectFile(Path("gross.opt")), d);
    // Cut anywhere in the middle, it still fails cleanly.
    const Bytes bytes = Read(Path("gross.opt"));
    for (std::size_t cut :
         {std::size_t{65535}, std::size_t{65536}, std::size_t{131075}, bytes.size() - 1}) {
        std::ofstream(Path("cut.opt"), std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(cut));
        try {
            ReadProjectFile(Path("cut.opt"));
            ADD_FAILURE() << "cut at " << cut << " was read";
        } catch (const Failure& f) {
            EXPECT_STREQ(f.what(), "Stream-Lesefehler") << cut;
        }
    }
}

#ifndef _WIN32
// Named pipes are a POSIX matter.
// Reads `bytes` through a named pipe, which has no size to weigh counts against.
ProjectData ReadThroughPipe(const std::string& fifo, const Bytes& bytes, std::size_t limit) {
    signal(SIGPIPE, SIG_IGN);  // the reader may stop before the writer is done
    std::thread writer([&] {
        const int fd = open(fifo.c_str(), O_WRONLY);
        if (fd < 0)
            return;
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        close(fd);
    });
    struct Join {
        std::thread& thread;
        ~Join() { thread.join(); }
    } join{writer};
    return ReadProjectFile(fifo, PipeInput::Read, limit);
}

TEST_F(ProjectFileOnDisk, InputOfUnknownSizeIsReadWholeFirst) {
    const std::string fifo = Path("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto failure = [&](const Bytes& bytes, std::size_t limit) -> std::string {
        try {
            ReadThroughPipe(fifo, bytes, limit);
            return "read";
        } catch (const Failure& f) {
            return f.what();
        }
    };
    // A page, then 2147483647 options in seven bytes: refused as the input is too short,
    // without reserving room for them.
    EXPECT_EQ(failure({0x02, 0x01, 0x04, 0xff, 0xff, 0xff, 0x7f}, kUnknownSizeLimit),
              "Stream-Lesefehler");
    // A project larger than one read block comes through whole; above the limit it is refused.
    ProjectData d = IrregularProject(60);
    d.options[7].info = std::string(100000, 'x');
    const Bytes bytes = ProjectFileBytes(d);
    EXPECT_EQ(ReadThroughPipe(fifo, bytes, kUnknownSizeLimit), d);
    EXPECT_EQ(ReadThroughPipe(fifo, bytes, bytes.size()), d);
    EXPECT_EQ(failure(bytes, bytes.size() - 1), "Stream-Lesefehler");
}

#endif

TEST_F(ProjectFileOnDisk, FailuresNameTheFile) {
    try {
        ReadProjectFile(Path("fehlt.opt"));
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()).rfind(
                      "Datei " + Path("fehlt.opt") + " kann nicht geöffnet werden. ", 0),
                  0u)
            << f.what();
    }
    try {
        SaveProjectFile(Path("kein/Ordner.opt"), ProjectData{});
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()).rfind(
                      "Datei \"" + Path("kein/Ordner.opt") + "\" kann nicht erstellt werden. ", 0),
                  0u)
            << f.what();
    }
}

std::string FailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& f) {
        return f.what();
    }
    return "no failure";
}

std::string CannotOpen(const std::string& path) {
    return "Datei " + path + " kann nicht geöffnet werden. ";
}

// A folder, a device or a pipe is no project file: opening and saving refuse it at once. (A
// tool reads a pipe on purpose: see InputOfUnknownSizeIsReadWholeFirst.)
TEST_F(ProjectFileOnDisk, WhatIsNoFileIsRefusedAtOnce) {
    const std::string folderName = Path("Ordner.opt");
    std::filesystem::create_directory(folderName);
#ifdef _WIN32
    const std::string device = "NUL";
#else
    const std::string device = "/dev/null";
#endif
    for (const std::string& path : {folderName, device}) {
        EXPECT_TRUE(FailureOf([&] { ReadProjectFile(path); }).starts_with(CannotOpen(path)))
            << FailureOf([&] { ReadProjectFile(path); });
    }
    EXPECT_TRUE(FailureOf([&] {
                    SaveProjectFile(folderName, ProjectData{});
                }).starts_with(CannotOpen(folderName)))
        << FailureOf([&] { SaveProjectFile(folderName, ProjectData{}); });
    EXPECT_TRUE(std::filesystem::is_directory(folderName));
#ifndef _WIN32
    // A pipe that no program writes to. Should the open wait for a writer, one comes and goes
    // at once, so that the test ends either way.
    const std::string fifo = Path("Rohr.opt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> done = false;
    std::thread writer([&] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done && std::chrono::steady_clock::now() < end) {
            const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const std::string opened = FailureOf([&] { ReadProjectFile(fifo); });
    const std::string saved = FailureOf([&] { SaveProjectFile(fifo, ProjectData{}); });
    done = true;
    writer.join();
    EXPECT_TRUE(opened.starts_with(CannotOpen(fifo))) << opened;
    EXPECT_TRUE(saved.starts_with(CannotOpen(fifo))) << saved;
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
#endif
}

#ifndef _WIN32
// A file written in place (its folder takes no new file) that can get neither its new nor its
// old contents: the message names the copy of the old ones.
TEST_F(ProjectFileOnDisk, AFileThatCannotGetItsOldContentsBackNamesTheirCopy) {
    testing_support::SetEnvironment("XDG_STATE_HOME", Path("state"));
    Project small;
    small.BeginNew();
    const ProjectData old = CaptureProject(small, ViewFacts{});
    const std::string path = Path("Projekt.opt");
    SaveProjectFile(path, old);

    Project large;
    large.BeginNew();
    for (int k = 0; k < 20; ++k) large.options.AddOption("Option " + std::to_string(k), "");
    testing_support::FaultyFileCalls calls;
    calls.failCreate = EACCES;
    calls.writeChunk = 8;
    calls.failWritesFrom = 2;
    const std::string message =
        FailureOf([&] { SaveProjectFile(path, CaptureProject(large, ViewFacts{}), calls); });
    testing_support::UnsetEnvironment("XDG_STATE_HOME");

    const std::filesystem::path saves = folder / "state" / "rangwerk" / "saves";
    ASSERT_TRUE(std::filesystem::is_directory(saves)) << message;
    const std::string copy = std::filesystem::directory_iterator(saves)->path().string();
    EXPECT_EQ(message, "Stream-Schreibfehler. Die Datei \"" + path +
                           "\" ist unvollständig; ihr bisheriger Inhalt ist in \"" + copy +
                           "\" aufbewahrt.");
    EXPECT_EQ(ReadProjectFile(copy), old);
}
#endif

// A save that fails leaves the old file as it was and no temporary file behind.
// Elsewhere: the disk is "full" in the middle of the file (a process that may not write files
// over 4 KiB, where the limit is a write error, not a signal that ends the program), reported as
// "Stream-Schreibfehler". Windows: another program holds the file open without sharing it, so
// it cannot be replaced, reported as a file that cannot be created.
TEST_F(ProjectFileOnDisk, AFailedSaveKeepsTheOldFile) {
    Project small;
    small.BeginNew();
    const std::string path = Path("Projekt.opt");
    SaveProjectFile(path, CaptureProject(small, ViewFacts{}));
    const Bytes before = Read(path);

    Project large;
    large.BeginNew();
    for (int k = 0; k < 60; ++k) large.options.AddOption("Option " + std::to_string(k), "");
    const ProjectData data = CaptureProject(large, ViewFacts{});
    ASSERT_GT(ProjectFileBytes(data).size(), 8192u);
#ifdef _WIN32
    const std::wstring wide = std::filesystem::path(path).wstring();
    HANDLE held = CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    try {
        SaveProjectFile(path, data);
        ADD_FAILURE() << "the save reported success";
    } catch (const Failure& f) {
        EXPECT_EQ(
            std::string(f.what()).rfind("Datei \"" + path + "\" kann nicht erstellt werden. ", 0),
            0u)
            << f.what();
    }
    CloseHandle(held);
    // Wine's ReplaceFileW (not Windows') leaves an empty helper file "rf<hex>.tmp" of its own
    // behind when it fails; the save's own temporary file must be gone all the same.
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("rf") && name.ends_with(".tmp") && entry.file_size() == 0) {
                std::filesystem::remove(entry.path());
            }
        }
    }
#else
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            SaveProjectFile(path, data);
        } catch (const Failure& f) {
            _exit(std::string(f.what()) == "Stream-Schreibfehler" ? 0 : 2);
        }
        _exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the save reported success, 2: another message";
#endif
    EXPECT_EQ(Read(path), before) << "the old file is intact";
    EXPECT_EQ(Entries(), 1u) << "the temporary file is removed";
    // Once the file is free again, the save goes through.
    SaveProjectFile(path, data);
    EXPECT_EQ(ReadProjectFile(path), data);
    EXPECT_EQ(Entries(), 1u);
}

}  // namespace
}  // namespace rangwerk
