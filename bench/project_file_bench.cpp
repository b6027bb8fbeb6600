// Saving and opening a project of 1000 options with every pair answered and 50 combinations,
// in memory and on disk, against a plain read of the same file's bytes. Opening the file must
// stay within five times the plain read, and saving to memory below three times opening from
// memory; the program exits 1 when either does not hold.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

#include "base/failure.h"
#include "best_times.h"
#include "project/project_file.h"

namespace {

using namespace rangwerk;

constexpr int kOptions = 1000;
constexpr int kCombinations = 50;
constexpr double kOpenLimit = 5.0;
constexpr double kSaveLimit = 3.0;

const ProjectData& BigProject() {
    static const ProjectData data = [] {
        Project p;
        p.BeginNew();
        for (int k = 0; k < kOptions; ++k) {
            p.options.AddOption((k % 7 == 0 ? "Größe " : "Option ") + std::to_string(k),
                                "Information zu Option " + std::to_string(k));
        }
        std::mt19937 rng(42);
        for (int i = 0; i < kOptions; ++i) {
            for (int j = i + 1; j < kOptions; ++j) {
                RecordAnswer(p.options.At(static_cast<size_t>(i)),
                             p.options.At(static_cast<size_t>(j)), static_cast<Answer>(rng() % 3));
            }
        }
        p.queryOrder = QueryOrder::Unchanged;
        for (int c = 0; c < kCombinations; ++c) {
            std::vector<MemberRow> rows;
            for (int m = 0; m < 8; ++m) {
                rows.push_back(
                    {p.options.At(static_cast<size_t>((c * 17 + m * 101) % kOptions)).name,
                     1 + static_cast<int>(rng() % kMaxFactor)});
            }
            if (p.combinations.AddCombination("Kombination " + std::to_string(c), rows,
                                              p.options)) {
                std::abort();
            }
        }
        p.EvaluateCombinations();
        ProjectData d = CaptureProject(p, ViewFacts{4, 1, true});
        d.firstIndex = kOptions - 2;
        d.secondIndex = kOptions - 1;
        return d;
    }();
    return data;
}

const std::string& FilePath() {
    static const std::string path = [] {
        char folder[] = "/tmp/rangwerk-bench-XXXXXX";
        if (!mkdtemp(folder))
            std::abort();
        return std::string(folder) + "/groß.opt";
    }();
    return path;
}

void SetFileCounters(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["file_bytes"] = static_cast<double>(bytes);
}

void BM_SaveToMemory(benchmark::State& state) {
    const ProjectData& data = BigProject();
    std::size_t size = 0;
    for (auto _ : state) {
        const auto bytes = ProjectFileBytes(data);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    SetFileCounters(state, size);
}
BENCHMARK(BM_SaveToMemory)->Unit(benchmark::kMillisecond);

void BM_OpenFromMemory(benchmark::State& state) {
    const auto bytes = ProjectFileBytes(BigProject());
    for (auto _ : state) {
        ProjectData read = ParseProjectFileBytes(bytes);
        benchmark::DoNotOptimize(read.options.data());
    }
    SetFileCounters(state, bytes.size());
}
BENCHMARK(BM_OpenFromMemory)->Unit(benchmark::kMillisecond);

// The atomic save: a temporary file written, synced to disk and renamed over the old one.
void BM_SaveToDisk(benchmark::State& state) {
    const ProjectData& data = BigProject();
    for (auto _ : state) SaveProjectFile(FilePath(), data);
    struct stat info {};
    stat(FilePath().c_str(), &info);
    SetFileCounters(state, static_cast<std::size_t>(info.st_size));
}
BENCHMARK(BM_SaveToDisk)->Unit(benchmark::kMillisecond);

// The reference: the same file's bytes read into memory and nothing else.
void BM_PlainRead(benchmark::State& state) {
    SaveProjectFile(FilePath(), BigProject());
    std::size_t size = 0;
    for (auto _ : state) {
        const int fd = open(FilePath().c_str(), O_RDONLY);
        struct stat info {};
        if (fd < 0 || fstat(fd, &info) != 0)
            std::abort();
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
            if (got <= 0)
                std::abort();
            done += static_cast<std::size_t>(got);
        }
        close(fd);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    SetFileCounters(state, size);
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);

void BM_OpenFromDisk(benchmark::State& state) {
    SaveProjectFile(FilePath(), BigProject());
    for (auto _ : state) {
        ProjectData read = ReadProjectFile(FilePath());
        benchmark::DoNotOptimize(read.options.data());
    }
    struct stat info {};
    stat(FilePath().c_str(), &info);
    SetFileCounters(state, static_cast<std::size_t>(info.st_size));
}
BENCHMARK(BM_OpenFromDisk)->Unit(benchmark::kMillisecond);

// Opening as the program does it: the file read and checked, then put into the working state.
void BM_OpenIntoProject(benchmark::State& state) {
    SaveProjectFile(FilePath(), BigProject());
    for (auto _ : state) {
        Project project;
        LoadIntoProject(ReadProjectFile(FilePath()), project);
        benchmark::DoNotOptimize(&project);
    }
}
BENCHMARK(BM_OpenIntoProject)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    BestTimesReporter reporter(BestTimesReporter::Key::FunctionName,
                               BestTimesReporter::Clock::Wall);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const std::string folder = FilePath().substr(0, FilePath().find_last_of('/'));
    std::remove(FilePath().c_str());
    rmdir(folder.c_str());

    bool within = true;
    const auto plain = reporter.best.find("BM_PlainRead");
    const auto open = reporter.best.find("BM_OpenFromDisk");
    if (plain != reporter.best.end() && open != reporter.best.end()) {
        const double ratio = open->second / plain->second;
        std::printf("opening the file takes %.2f times the plain read (limit %.0f)\n", ratio,
                    kOpenLimit);
        within = within && ratio < kOpenLimit;
    }
    const auto save = reporter.best.find("BM_SaveToMemory");
    const auto read = reporter.best.find("BM_OpenFromMemory");
    if (save != reporter.best.end() && read != reporter.best.end()) {
        const double ratio = save->second / read->second;
        std::printf("saving to memory takes %.2f times opening from memory (limit %.0f)\n", ratio,
                    kSaveLimit);
        within = within && ratio < kSaveLimit;
    }
    return within ? 0 : 1;
}
