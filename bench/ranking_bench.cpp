// One ranking step over 1000 options with every pair answered, against one plain pass that
// sums every decided outcome of the same result matrix. The ranking step reads the scores the
// options keep and only sorts: it must stay within a tenth of the plain pass. The program
// prints the ratio and exits 1 above the limit.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "best_times.h"
#include "core/run.h"
#include "core/scoring.h"

namespace {

using namespace rangwerk;

constexpr int kOptions = 1000;
constexpr double kLimit = 0.1;

OptionList& AnsweredList() {
    static OptionList list;
    if (list.Empty()) {
        for (int k = 0; k < kOptions; ++k) list.AddOption("Option " + std::to_string(k), "");
        std::mt19937 rng(42);
        for (int i = 0; i < kOptions; ++i) {
            for (int j = i + 1; j < kOptions; ++j) {
                RecordAnswer(list.At(static_cast<size_t>(i)), list.At(static_cast<size_t>(j)),
                             static_cast<Answer>(rng() % 3));
            }
        }
    }
    return list;
}

void BM_PlainPassOverDecidedOutcomes(benchmark::State& state) {
    OptionList& list = AnsweredList();
    for (auto _ : state) {
        long long sum = 0;
        for (size_t i = 0; i < list.Count(); ++i) {
            for (const ResultEntry& e : list.At(i).results) {
                if (e.decided)
                    sum += e.outcome;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_PlainPassOverDecidedOutcomes)->Unit(benchmark::kMicrosecond);

void BM_RankingStep(benchmark::State& state) {
    OptionList& list = AnsweredList();
    const ScoreSettings settings{1, 0, -1};
    RankingList ranking = list.InOrder();
    for (auto _ : state) {
        BarScale scale = RankOptions(ranking, settings);
        benchmark::DoNotOptimize(scale);
    }
}
BENCHMARK(BM_RankingStep)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    BestTimesReporter reporter(BestTimesReporter::Key::FunctionName,
                               BestTimesReporter::Clock::Processor);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto plain = reporter.best.find("BM_PlainPassOverDecidedOutcomes");
    const auto step = reporter.best.find("BM_RankingStep");
    if (plain == reporter.best.end() || step == reporter.best.end())
        return 0;
    const double ratio = step->second / plain->second;
    std::printf("the ranking step takes %.3f times the plain pass (limit %.1f)\n", ratio, kLimit);
    return ratio <= kLimit ? 0 : 1;
}
