// Writes the seed corpus of the project file fuzzer: project files as the program saves them,
// from a new project to one with answers, a saved pair and combinations.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "project/project_file.h"

namespace {

using namespace rangwerk;

void Write(const std::string& path, const ProjectData& data) {
    const std::vector<std::uint8_t> bytes = ProjectFileBytes(data);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fclose(file);
}

ProjectData WithAnswers(int page) {
    Project p;
    p.BeginNew();
    p.options.AddOption("Äpfel ß €", "Info");
    p.options.AddOption("Łódź 𝄞", std::string(300, 'x'));
    p.options.AddOption("Zitrone", "Zeile 1\r\nZeile 2");
    RecordAnswer(p.options.At(0), p.options.At(1), Answer::FirstSuperior);
    RecordAnswer(p.options.At(1), p.options.At(2), Answer::Tie);
    RecordAnswer(p.options.At(0), p.options.At(2), Answer::SecondSuperior);
    p.scores = {3, 1, -2};
    p.queryOrder = QueryOrder::Alphabetical;
    p.liveScore = true;
    p.combinations.AddCombination("Reise", {{"Zitrone", 3}, {"Äpfel ß €", 8191}}, p.options);
    p.combinations.AddCombination("Leer", {}, p.options);
    p.combinations.At(0).result = 1.0L / 3.0L;
    p.combinations.At(1).result = -std::numeric_limits<long double>::infinity();
    ProjectData d = CaptureProject(p, ViewFacts{page, page == 4 ? 1 : 0, page == 4});
    if (page > 2) {
        d.firstIndex = 1;
        d.secondIndex = 2;
    }
    return d;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder);
    Project empty;
    empty.BeginNew();
    Write(folder + "/new.opt", CaptureProject(empty, ViewFacts{1, 0, false}));
    Write(folder + "/page2.opt", WithAnswers(2));
    Write(folder + "/page3.opt", WithAnswers(3));
    Write(folder + "/page4.opt", WithAnswers(4));
    return 0;
}
