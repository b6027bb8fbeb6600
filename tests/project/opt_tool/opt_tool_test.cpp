#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/system.h"
#include "project/project_file.h"

#ifdef _WIN32
#include "base/wide_text.h"
#endif

namespace rangwerk {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct ToolResult {
    int exitCode = -1;
    std::chrono::steady_clock::duration took{};
    std::string out;
    std::string err;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteAll(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    WriteAll(path, std::string(bytes.begin(), bytes.end()));
}

std::string Utf8Of(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// One argument of the tool: a text or a path (given to the tool as UTF-8).
struct Arg {
    Arg(const char* text) : text(text) {}
    Arg(std::string text) : text(std::move(text)) {}
    Arg(const fs::path& path) : text(Utf8Of(path)) {}
    std::string text;
};

#ifdef _WIN32
// One argument of a Windows command line, quoted as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& arg) {
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}
#endif

class OptTool : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("rangwerk-opt-test-" + std::to_string(SystemSeedSource().Seed()));
        fs::remove_all(dir_);
        ASSERT_TRUE(fs::create_directories(dir_));
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Path(const std::string& name) const { return dir_ / name; }

    fs::path WriteProject(const std::string& name, const ProjectData& data) {
        const fs::path path = Path(name);
        WriteBytes(path, ProjectFileBytes(data));
        return path;
    }

#ifdef _WIN32
    // The tool is copied beside this test program when it is built.
    ToolResult Run(const std::vector<Arg>& args) const {
        const fs::path tool =
            fs::path(WideFromUtf8(ProgramPath())).parent_path() / "rangwerk-opt.exe";
        std::wstring command = Quoted(tool.wstring());
        for (const Arg& a : args) command += L" " + Quoted(WideFromUtf8(a.text));
        SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        const auto output = [&](const char* name) {
            return CreateFileW(Path(name).wstring().c_str(), GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherited,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        };
        HANDLE out = output("stdout");
        HANDLE err = output("stderr");
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = INVALID_HANDLE_VALUE;
        startup.hStdOutput = out;
        startup.hStdError = err;
        PROCESS_INFORMATION process{};
        const auto start = std::chrono::steady_clock::now();
        ToolResult r;
        // Without a console of its own: a console host would inherit the output files too and
        // might still hold them when the next run wants them anew.
        if (CreateProcessW(tool.wstring().c_str(), command.data(), nullptr, nullptr, TRUE,
                           DETACHED_PROCESS, nullptr, nullptr, &startup, &process)) {
            WaitForSingleObject(process.hProcess, INFINITE);
            DWORD code = 0;
            GetExitCodeProcess(process.hProcess, &code);
            r.exitCode = static_cast<int>(code);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        r.took = std::chrono::steady_clock::now() - start;
        CloseHandle(out);
        CloseHandle(err);
        r.out = ReadAll(Path("stdout"));
        r.err = ReadAll(Path("stderr"));
        return r;
    }
#else
    ToolResult Run(const std::vector<Arg>& args) const {
        std::string command = std::string("'") + RANGWERK_OPT_TOOL + "'";
        for (const Arg& a : args) command += " '" + a.text + "'";
        command += " >'" + Path("stdout").string() + "' 2>'" + Path("stderr").string() + "'";
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        ToolResult r;
        r.took = std::chrono::steady_clock::now() - start;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = ReadAll(Path("stdout"));
        r.err = ReadAll(Path("stderr"));
        return r;
    }
#endif

    fs::path dir_;
};

void Answer(Project& p, std::size_t first, std::size_t second, rangwerk::Answer answer) {
    RecordAnswer(p.options.At(first), p.options.At(second), answer);
}

// Scores with points 2/1/0: Äpfel 6, Kiwi 3, Birne 3, Zeile 0. The list quicksort puts Kiwi
// before Birne, so Birne is the blank-numbered tie.
ProjectData RankingProject() {
    Project p;
    p.BeginNew();
    p.options.AddOption("Äpfel", "");
    p.options.AddOption("Birne, grün", "");
    p.options.AddOption("Kiwi \"Gold\"", "");
    p.options.AddOption("Zeile\n€ 𝄞", "");
    Answer(p, 0, 1, Answer::FirstSuperior);
    Answer(p, 0, 2, Answer::FirstSuperior);
    Answer(p, 0, 3, Answer::FirstSuperior);
    Answer(p, 1, 2, Answer::Tie);
    Answer(p, 1, 3, Answer::FirstSuperior);
    Answer(p, 2, 3, Answer::FirstSuperior);
    p.scores = {2, 1, 0};
    p.queryOrder = QueryOrder::Alphabetical;  // the ranking keeps the list order regardless
    return CaptureProject(p, ViewFacts{2, 0, false});
}

TEST_F(OptTool, RankingTextAlignsByCharactersAndBlanksTies) {
    const fs::path file = WriteProject("r.opt", RankingProject());
    const ToolResult r = Run({"ranking", file});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "rank  name         score\n"
              "   1  Äpfel            6\n"
              "   2  Kiwi \"Gold\"      3\n"
              "      Birne, grün      3\n"
              "   4  Zeile € 𝄞        0\n");
}

TEST_F(OptTool, RankingCsvQuotesAsRfc4180) {
    const fs::path file = WriteProject("r.opt", RankingProject());
    const ToolResult r = Run({"ranking", file, "--csv"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "rank,name,score\r\n"
              "1,Äpfel,6\r\n"
              "2,\"Kiwi \"\"Gold\"\"\",3\r\n"
              ",\"Birne, grün\",3\r\n"
              "4,\"Zeile\n€ 𝄞\",0\r\n");
}

TEST_F(OptTool, RankingWithoutAnswersNumbersOnlyTheFirstRow) {
    Project p;
    p.BeginNew();
    p.options.AddOption("Eins", "");
    p.options.AddOption("Zwei", "");
    const ToolResult r =
        Run({"ranking", WriteProject("n.opt", CaptureProject(p, ViewFacts{1, 0, false})), "--csv"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "rank,name,score\r\n1,Zwei,0\r\n,Eins,0\r\n");
}

// Every field set: texts with ä ß €, characters Windows-1252 cannot hold and more than 255
// bytes; stored results that a double holds and ones it does not.
ProjectData FullProject(int page) {
    Project p;
    p.BeginNew();
    p.options.AddOption("Äpfel & Birnen ß €", "Info mit ß und €");
    p.options.AddOption("Urlaub in Łódź 𝄞", std::string(300, 'x'));
    p.options.AddOption("Zitrone", "Ä" + std::string(300, 'y'));
    p.options.AddOption("apfel", "Zeile 1\r\nZeile 2");
    Answer(p, 0, 1, Answer::FirstSuperior);
    Answer(p, 1, 3, Answer::Tie);
    Answer(p, 2, 3, Answer::SecondSuperior);
    p.scores = {3, 1, -2};
    p.queryOrder = QueryOrder::Random;
    p.liveScore = true;
    p.combinations.AddCombination("Drittel", {{"Zitrone", 3}, {"apfel", 8191}}, p.options);
    p.combinations.AddCombination("Zweieinhalb", {{"Äpfel & Birnen ß €", 1}}, p.options);
    p.combinations.AddCombination("Leer €", {}, p.options);
    p.combinations.AddCombination("Minus null", {}, p.options);
    p.combinations.AddCombination("Unendlich", {}, p.options);
    p.combinations.At(0).result = 1.0L / 3.0L;
    p.combinations.At(1).result = 2.5L;
    p.combinations.At(3).result = -0.0L;
    p.combinations.At(4).result = std::numeric_limits<long double>::infinity();
    ProjectData d = CaptureProject(p, ViewFacts{page, 1, true});
    if (page > 2) {
        d.firstIndex = 1;
        d.secondIndex = 3;
    }
    // A result no double can carry: the significand uses bits below double precision.
    d.combinations[2].result = Extended80::FromParts(true, 16383 + 5, 0xC000000000000001ULL);
    return d;
}

TEST_F(OptTool, DumpThenBuildGivesTheSameBytes) {
    for (const int page : {1, 3}) {
        SCOPED_TRACE(page);
        const ProjectData data = FullProject(page);
        const fs::path file = WriteProject("full.opt", data);
        const ToolResult dump = Run({"dump", file});
        ASSERT_EQ(dump.exitCode, 0) << dump.err;
        WriteAll(Path("full.json"), dump.out);
        const ToolResult build = Run({"build", Path("full.json"), Path("rebuilt.opt")});
        ASSERT_EQ(build.exitCode, 0) << build.err;
        EXPECT_EQ(ReadAll(Path("rebuilt.opt")), ReadAll(file));

        const auto json = nlohmann::json::parse(dump.out);
        EXPECT_EQ(json.contains("firstIndex"), page > 2);
        EXPECT_EQ(json.contains("secondIndex"), page > 2);
        if (page > 2) {
            EXPECT_EQ(json["firstIndex"], 1);
            EXPECT_EQ(json["secondIndex"], 3);
        }
        EXPECT_EQ(json["page"], page);
        EXPECT_EQ(json["equal"], 1);
        EXPECT_EQ(json["options"][1]["name"], "Urlaub in Łódź 𝄞");
        EXPECT_EQ(json["options"][1]["info"], std::string(300, 'x'));
        EXPECT_EQ(json["options"][0]["results"][1],
                  nlohmann::json::parse(R"({"opponentId":1,"outcome":1,"decided":true})"));
        const auto& combinations = json["combinations"];
        EXPECT_TRUE(combinations[0]["result"].is_string()) << "1/3 needs all ten bytes";
        EXPECT_EQ(combinations[0]["result"].get<std::string>().size(), 20u);
        EXPECT_EQ(combinations[1]["result"], 2.5);
        EXPECT_TRUE(combinations[2]["result"].is_string());
        EXPECT_TRUE(std::signbit(combinations[3]["result"].get<double>()));
        EXPECT_TRUE(combinations[4]["result"].is_string()) << "JSON has no infinity";
        EXPECT_EQ(combinations[0]["members"][1],
                  nlohmann::json::parse(R"({"optionId":3,"factor":8191})"));
    }
}

TEST_F(OptTool, BuildAcceptsHandWrittenResults) {
    // The result as an integer, as a float and as hex digits in capitals.
    WriteAll(Path("p.json"), R"({"page":1,"options":[],"superior":1,"equal":0,"inferior":-1,
        "queryOrder":-1,"liveScore":false,"combinations":[
          {"name":"A","result":5,"members":[]},
          {"name":"B","result":0.1,"members":[]},
          {"name":"C","result":"AAAAAAAAAAAAAAAAFD3F","members":[]}],
        "combinationsPage":0,"combinationsOpen":false})");
    const ToolResult r = Run({"build", Path("p.json"), Path("p.opt")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string bytes = ReadAll(Path("p.opt"));
    const ProjectData d = ParseProjectFileBytes(Bytes(bytes.begin(), bytes.end()));
    ASSERT_EQ(d.combinations.size(), 3u);
    EXPECT_EQ(d.combinations[0].result.ToLongDouble(), 5.0L);
    EXPECT_EQ(d.combinations[1].result.ToDouble(), 0.1);
    EXPECT_EQ(d.combinations[2].result.bytes[9], 0x3F);
    EXPECT_EQ(d.combinations[2].result.bytes[8], 0xFD);
}

TEST_F(OptTool, BuildRefusesBadJsonAndWritesNothing) {
    const std::string valid = R"({"page":1,"options":[
        {"name":"A","info":"","id":1,"results":[{"opponentId":1,"outcome":0,"decided":false}]}],
        "superior":1,"equal":0,"inferior":-1,"queryOrder":-1,"liveScore":false,
        "combinations":[],"combinationsPage":0,"combinationsOpen":false})";
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string text = valid;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const struct {
        std::string json;
        std::string message;
    } cases[] = {
        {"{", "not valid JSON"},
        {"[]", "project: expected an object"},
        {with(R"("superior":1,)", ""), "missing key \"superior\""},
        {with(R"("equal":0)", R"("equal":"0")"), "equal: expected an integer"},
        {with(R"("equal":0)", R"("equal":0,"tie":0)"), "unknown key \"tie\""},
        {with(R"("outcome":0)", R"("outcome":2147483648)"),
         "options[0].results[0].outcome: expected an integer from -2147483648 to 2147483647"},
        {with(R"("id":1)", R"("id":-1)"), "options[0].id: expected an integer from 0"},
        {with(R"("decided":false)", R"("decided":0)"), "decided: expected true or false"},
        {with(R"("page":1)", R"("page":1,"firstIndex":0)"), "firstIndex: only stored"},
        {with(R"("page":1)", R"("page":3)"), "missing key \"firstIndex\""},
        {with(R"("combinations":[])",
              R"("combinations":[{"name":"K","result":"12","members":[]}])"),
         "combinations[0].result: expected a number or twenty hex digits"},
        // Shapes the program itself refuses: an unknown opponent, a page without headline.
        {with(R"("opponentId":1)", R"("opponentId":7)"),
         "the program would refuse this project: Ungültiger Eigenschaftswert."},
        {with(R"("page":1)", R"("page":-1)"), "Ungültiger Eigenschaftswert."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        WriteAll(Path("bad.json"), c.json);
        const ToolResult r = Run({"build", Path("bad.json"), Path("bad.opt")});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(Path("bad.opt")));
    }
    WriteAll(Path("good.json"), valid);
    EXPECT_EQ(Run({"build", Path("good.json"), Path("good.opt")}).exitCode, 0);
    EXPECT_TRUE(fs::exists(Path("good.opt")));
}

// File names reach the tool and the file system as UTF-8 on every platform (on Windows through
// the UTF-16 command line and file calls, not the ANSI code page).
TEST_F(OptTool, FileNamesOutsideAscii) {
    const fs::path folder = dir_ / fs::path(u8"Gr\u00F6\u00DFe \u0141\u00F3d\u017A");
    ASSERT_TRUE(fs::create_directories(folder));
    const fs::path file = folder / fs::path(u8"\u00C4pfel.opt");
    WriteBytes(file, ProjectFileBytes(FullProject(3)));
    ToolResult r = Run({"check", file});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "OK\n");
    r = Run({"dump", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    WriteAll(folder / fs::path(u8"\u00C4pfel.json"), r.out);
    r = Run({"build", folder / fs::path(u8"\u00C4pfel.json"),
             folder / fs::path(u8"Birnen \u00DF.opt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadAll(folder / fs::path(u8"Birnen \u00DF.opt")), ReadAll(file));
    r = Run({"check", folder / fs::path(u8"fehlt \u00E4.opt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("rangwerk-opt: " + Utf8Of(folder / fs::path(u8"fehlt \u00E4.opt")), 0),
              0u)
        << r.err;
}

TEST_F(OptTool, CheckReportsTheProgramsMessage) {
    const Bytes good = ProjectFileBytes(FullProject(3));
    WriteBytes(Path("good.opt"), good);
    ToolResult r = Run({"check", Path("good.opt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "OK\n");

    // Cut inside the first option block.
    WriteBytes(Path("cut.opt"), Bytes(good.begin(), good.begin() + 12));
    r = Run({"check", Path("cut.opt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "rangwerk-opt: " + Utf8Of(Path("cut.opt")) + ": Stream-Lesefehler.\n");
    EXPECT_EQ(r.out, "");

    // A text where the main page belongs.
    WriteBytes(Path("tag.opt"), Bytes{0x06, 0x00});
    r = Run({"check", Path("tag.opt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(": Ungültiger Eigenschaftswert.\n"), std::string::npos) << r.err;

    // A combination member naming option 9 where only ids 1 and 2 exist.
    ProjectData d;
    d.options = {{"A", "", 1, {{1, 0, false}, {2, 0, false}}},
                 {"B", "", 2, {{1, 0, false}, {2, 0, false}}}};
    d.combinations = {{"K", Extended80::FromInteger(0), {{9, 1}}}};
    WriteBytes(Path("member.opt"), ProjectFileBytes(d));
    r = Run({"check", Path("member.opt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(": Listenindex überschreitet das Maximum (2)\n"), std::string::npos)
        << r.err;

    r = Run({"check", Path("missing.opt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("kann nicht geöffnet werden."), std::string::npos) << r.err;
}

#ifndef _WIN32
// Through a shell pipe and /dev/stdin, which Windows does not have.
TEST_F(OptTool, CheckReadsAPipeWithTheProgramsRefusals) {
    // 2147483647 options declared in a pipe of seven bytes.
    WriteBytes(Path("huge.bin"), Bytes{0x02, 0x01, 0x04, 0xff, 0xff, 0xff, 0x7f});
    WriteBytes(Path("good.opt"), ProjectFileBytes(FullProject(3)));
    const auto throughPipe = [&](const std::string& file) {
        const std::string command = "cat '" + Path(file).string() + "' | '" + RANGWERK_OPT_TOOL +
                                    "' check /dev/stdin >'" + Path("stdout").string() + "' 2>'" +
                                    Path("stderr").string() + "'";
        const int status = std::system(command.c_str());
        ToolResult r;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = ReadAll(Path("stdout"));
        r.err = ReadAll(Path("stderr"));
        return r;
    };
    ToolResult r = throughPipe("huge.bin");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "rangwerk-opt: /dev/stdin: Stream-Lesefehler.\n");
    r = throughPipe("good.opt");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "OK\n");
}

#endif

// Square result matrices with every id named once per option, and the ways one can break.
TEST_F(OptTool, CheckRefusesBrokenAnswerMatrices) {
    const auto matrix = [](std::vector<std::uint32_t> ids) {
        ProjectData d;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            StoredOption o{"Option " + std::to_string(i), "", ids[i], {}};
            // Entries in reverse list order, so that their order differs from the options'.
            for (std::size_t k = ids.size(); k-- > 0;) {
                o.results.push_back({ids[k], i == k ? 0 : (i < k ? 1 : -1), i != k});
            }
            d.options.push_back(o);
        }
        return d;
    };
    const auto check = [&](const ProjectData& d) {
        const ToolResult r = Run({"check", WriteProject("m.opt", d)});
        return r.exitCode == 0 ? r.out : r.err.substr(r.err.rfind(": ") + 2);
    };
    const std::string invalid = "Ungültiger Eigenschaftswert.\n";
    for (const auto& ids : {std::vector<std::uint32_t>{0, 1, 2, 3},
                            std::vector<std::uint32_t>{4000000000u, 7, 123456789, 2}}) {
        SCOPED_TRACE(ids[0]);
        EXPECT_EQ(check(matrix(ids)), "OK\n");

        ProjectData d = matrix(ids);
        d.options[0].results[1].opponentId = d.options[0].results[0].opponentId;
        EXPECT_EQ(check(d), invalid) << "the first option names an id twice";

        d = matrix(ids);
        d.options[2].results[3].opponentId = d.options[2].results[2].opponentId;
        EXPECT_EQ(check(d), invalid) << "a later option names an id twice";

        for (const std::size_t row : {0u, 2u}) {
            d = matrix(ids);
            d.options[row].results[3 - row].decided = true;
            EXPECT_EQ(check(d), invalid) << "option " << row << " answered itself";
        }

        // Every option names 99 where option 3 stands: consistent rows, but not the options.
        d = matrix(ids);
        for (StoredOption& o : d.options) o.results[0].opponentId = 99;
        EXPECT_EQ(check(d), invalid);

        // A member refers to an option that exists only as an opponent id.
        d = matrix(ids);
        d.combinations = {{"K", Extended80::FromInteger(0), {{ids[1], 1}}}};
        EXPECT_EQ(check(d), "OK\n");
        d.combinations[0].members[0].optionId = 99;
        EXPECT_EQ(check(d), "Listenindex überschreitet das Maximum (4)\n");
    }
}

// A, B, C, D: A > B > C > A and A > D > C > A are cyclic; {A, B, D} and {B, C, D} are not.
TEST_F(OptTool, CyclesListsEachIntransitiveTripleOnce) {
    Project p;
    p.BeginNew();
    for (const char* name : {"A", "B", "C", "D"}) p.options.AddOption(name, "");
    Answer(p, 0, 1, Answer::FirstSuperior);   // A > B
    Answer(p, 1, 2, Answer::FirstSuperior);   // B > C
    Answer(p, 0, 2, Answer::SecondSuperior);  // C > A
    Answer(p, 0, 3, Answer::FirstSuperior);   // A > D
    Answer(p, 1, 3, Answer::SecondSuperior);  // D > B
    Answer(p, 2, 3, Answer::SecondSuperior);  // D > C
    ProjectData d = CaptureProject(p, ViewFacts{4, 0, false});
    d.firstIndex = 2;
    d.secondIndex = 3;
    ToolResult r = Run({"cycles", WriteProject("c.opt", d)});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "A > B > C > A\nA > D > C > A\n2 cycles\n");

    // An undecided answer and a tie break cycles.
    d.options[0].results[1].decided = false;  // A's entry for B
    d.options[2].results[3] = {3, 0, true};   // C's entry for D: a tie
    d.options[3].results[2] = {2, 0, true};
    r = Run({"cycles", WriteProject("c2.opt", d)});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "0 cycles\n");
}

TEST_F(OptTool, CyclesOfTwoHundredOptionsWithinOneSecond) {
    constexpr std::size_t n = 200;
    ProjectData d;
    std::vector<std::vector<bool>> beats(n, std::vector<bool>(n, false));
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < n; ++i) {
        StoredOption o{"Option " + std::to_string(i), "", static_cast<std::uint32_t>(i + 1), {}};
        d.options.push_back(o);
    }
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            if (j > i) {
                seed = seed * 1103515245u + 12345u;
                beats[i][j] = (seed >> 16) & 1;
                beats[j][i] = !beats[i][j];
            }
            const std::int32_t outcome = i == j ? 0 : (beats[i][j] ? 1 : -1);
            d.options[i].results.push_back({static_cast<std::uint32_t>(j + 1), outcome, i != j});
        }
    }
    std::size_t expected = 0;
    for (std::size_t a = 0; a < n; ++a) {
        for (std::size_t b = a + 1; b < n; ++b) {
            for (std::size_t c = a + 1; c < n; ++c) {
                expected += beats[a][b] && beats[b][c] && beats[c][a];
            }
        }
    }
    ASSERT_GT(expected, 1000u);
    const fs::path file = WriteProject("big.opt", d);

    const ToolResult r = Run({"cycles", file});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // A second in an ordinary build; the sanitizers slow every access down several times over.
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(r.took, std::chrono::seconds(10));
#else
    EXPECT_LT(r.took, std::chrono::seconds(1));
#endif
    std::istringstream lines(r.out);
    std::string line;
    std::size_t count = 0;
    std::string last;
    while (std::getline(lines, line)) {
        last = line;
        ++count;
    }
    EXPECT_EQ(count, expected + 1);
    EXPECT_EQ(last, std::to_string(expected) + " cycles");
}

TEST_F(OptTool, WrongArgumentsShowUsage) {
    const fs::path file = WriteProject("a.opt", RankingProject());
    const std::vector<std::vector<Arg>> wrong = {{},
                                                 {"rank", file},
                                                 {"ranking"},
                                                 {"ranking", file, "--tsv"},
                                                 {"dump", file, file},
                                                 {"check"},
                                                 {"build", file},
                                                 {"cycles", file, "extra"}};
    for (const auto& args : wrong) {
        const ToolResult r = Run(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find("Usage: rangwerk-opt"), std::string::npos);
        EXPECT_EQ(r.out, "");
    }
    const ToolResult help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: rangwerk-opt"), std::string::npos);
}

TEST_F(OptTool, InputFilesStayUnchanged) {
    const fs::path file = WriteProject("in.opt", FullProject(4));
    const fs::path bad = Path("bad.opt");
    WriteBytes(bad, Bytes{0x02, 0x01, 0x02});
    // Whole seconds: Wine keeps no finer file times.
    const auto old = std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now() -
                                                              std::chrono::hours(1));
    fs::last_write_time(file, old);
    fs::last_write_time(bad, old);
    const std::string before = ReadAll(file);
    const std::string badBefore = ReadAll(bad);

    for (const fs::path& input : {file, bad}) {
        Run({"ranking", input});
        Run({"ranking", input, "--csv"});
        Run({"dump", input});
        Run({"check", input});
        Run({"cycles", input});
    }
    const ToolResult dump = Run({"dump", file});
    WriteAll(Path("in.json"), dump.out);
    fs::last_write_time(Path("in.json"), old);
    // Building onto its own input is refused.
    const ToolResult self = Run({"build", Path("in.json"), Path("in.json")});
    EXPECT_EQ(self.exitCode, 1);
    EXPECT_EQ(Run({"build", Path("in.json"), Path("out.opt")}).exitCode, 0);

    EXPECT_EQ(ReadAll(file), before);
    EXPECT_EQ(ReadAll(bad), badBefore);
    EXPECT_EQ(ReadAll(Path("in.json")), dump.out);
    EXPECT_EQ(fs::last_write_time(file), old);
    EXPECT_EQ(fs::last_write_time(bad), old);
    EXPECT_EQ(fs::last_write_time(Path("in.json")), old);
    EXPECT_EQ(ReadAll(Path("out.opt")), before);
}

}  // namespace
}  // namespace rangwerk
