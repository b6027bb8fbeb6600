// rangwerk-opt: shows, checks, converts and examines Rangwerk project files (*.opt) from the
// command line. It reads input files only; `build` writes its output file the way the program
// saves (a temporary file renamed over the target).

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "answer_cycles.h"
#include "base/failure.h"
#include "platform/command_line.h"
#include "project/project_file.h"
#include "project_json.h"
#include "ranking_table.h"

namespace {

using rangwerk::Failure;
using rangwerk::ProjectData;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr const char* kUsageText =
    "Usage: rangwerk-opt COMMAND ARGUMENTS\n"
    "\n"
    "  ranking FILE.opt [--csv]   the ranking after the first ranking step of a run started\n"
    "                             from the file's option order (answers kept)\n"
    "  dump FILE.opt              the whole project as JSON\n"
    "  build FILE.json OUT.opt    writes the project file described by the JSON\n"
    "  check FILE.opt             OK, or the program's error message and exit code 1\n"
    "  cycles FILE.opt            every intransitive triple among the decided answers\n"
    "\n"
    "Exit codes: 0 done, 1 failed (message on stderr), 2 wrong arguments.\n";

// The program's error box adds a full stop when the text ends in a character above ".".
std::string Shown(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
        return message + ".";
    }
    return message;
}

int Fail(const std::string& message) {
    std::cerr << "rangwerk-opt: " << message << "\n";
    return kFailed;
}

int Usage() {
    std::cerr << kUsageText;
    return kUsage;
}

// stdout must really have taken the output (a full disk or a closed pipe is a failure).
int Finished() {
    std::cout.flush();
    if (!std::cout)
        return Fail("cannot write the output");
    return kOk;
}

// A project file, or a pipe that carries one (`rangwerk-opt check /dev/stdin`).
ProjectData ReadInput(const std::string& path) {
    return rangwerk::ReadProjectFile(path, rangwerk::PipeInput::Read);
}

int Ranking(const std::string& path, bool csv) {
    const ProjectData data = ReadInput(path);
    const auto rows = rangwerk::opt::FirstRanking(data);
    std::cout << (csv ? rangwerk::opt::RankingCsv(rows) : rangwerk::opt::RankingText(rows));
    return Finished();
}

int Dump(const std::string& path) {
    const ProjectData data = ReadInput(path);
    std::cout << rangwerk::opt::ProjectToJson(data).dump(2) << "\n";
    return Finished();
}

int Check(const std::string& path) {
    ReadInput(path);
    std::cout << "OK\n";
    return Finished();
}

int Cycles(const std::string& path) {
    const ProjectData data = ReadInput(path);
    std::vector<std::string> names;
    names.reserve(data.options.size());
    for (const auto& o : data.options) names.push_back(rangwerk::opt::SingleLine(o.name));

    std::string out;
    const std::size_t count =
        rangwerk::opt::FindAnswerCycles(data, [&](const rangwerk::opt::AnswerCycle& c) {
            for (const std::size_t position : {c.first, c.second, c.third}) {
                out.append(names[position]).append(" > ");
            }
            out.append(names[c.first]).push_back('\n');
            if (out.size() > (1 << 16)) {
                std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
                out.clear();
            }
        });
    std::cout << out << count << (count == 1 ? " cycle\n" : " cycles\n");
    return Finished();
}

int Build(const std::string& jsonPath, const std::string& outPath) {
    std::error_code error;
    if (std::filesystem::exists(rangwerk::PathFromUtf8(outPath), error) &&
        std::filesystem::equivalent(rangwerk::PathFromUtf8(jsonPath),
                                    rangwerk::PathFromUtf8(outPath), error)) {
        return Fail(outPath + ": the output would replace the input");
    }

    std::ifstream in(rangwerk::PathFromUtf8(jsonPath), std::ios::binary);
    if (!in)
        return Fail(jsonPath + ": cannot be opened");
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return Fail(jsonPath + ": cannot be read");

    nlohmann::json json;
    try {
        json = nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        return Fail(jsonPath + ": not valid JSON: " + e.what());
    }
    ProjectData data;
    try {
        data = rangwerk::opt::ProjectFromJson(json);
    } catch (const rangwerk::opt::JsonShapeError& e) {
        return Fail(jsonPath + ": " + e.what());
    }

    // The program itself must accept the result, and read back exactly what was described.
    const std::vector<std::uint8_t> bytes = rangwerk::ProjectFileBytes(data);
    try {
        if (rangwerk::ParseProjectFileBytes(bytes) != data) {
            return Fail(jsonPath + ": the project file would not read back as described");
        }
    } catch (const Failure& f) {
        return Fail(jsonPath + ": the program would refuse this project: " + Shown(f.what()));
    }
    try {
        rangwerk::SaveProjectFile(outPath, data);
    } catch (const Failure& f) {
        return Fail(Shown(f.what()));
    }
    return kOk;
}

int Run(const std::vector<std::string>& args) {
    if (args.empty())
        return Usage();
    const std::string& command = args[0];
    if ((command == "--help" || command == "-h" || command == "help") && args.size() == 1) {
        std::cout << kUsageText;
        return Finished();
    }
    if (command == "ranking") {
        if (args.size() == 2)
            return Ranking(args[1], false);
        if (args.size() == 3 && args[2] == "--csv")
            return Ranking(args[1], true);
        if (args.size() == 3 && args[1] == "--csv")
            return Ranking(args[2], true);
        return Usage();
    }
    if (command == "dump" && args.size() == 2)
        return Dump(args[1]);
    if (command == "check" && args.size() == 2)
        return Check(args[1]);
    if (command == "cycles" && args.size() == 2)
        return Cycles(args[1]);
    if (command == "build" && args.size() == 3)
        return Build(args[1], args[2]);
    return Usage();
}

}  // namespace

int main(int argc, char** argv) {
    rangwerk::UseBinaryStandardOutput();
    const std::vector<std::string> args = rangwerk::CommandLineArguments(argc, argv);
    try {
        return Run(args);
    } catch (const Failure& f) {
        // The program's own message, as its error box shows it; the file it concerns first.
        const std::string file = args.size() > 1 ? args[1] + ": " : std::string();
        return Fail(file + Shown(f.what()));
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
