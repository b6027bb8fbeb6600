#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// Prints the runs as the console reporter does and keeps the fastest repetition of every
// benchmark: the others are the same work disturbed by whatever else the machine did meanwhile.
class BestTimesReporter : public benchmark::ConsoleReporter {
public:
    // What names a benchmark in `best`: its function, or its arguments ("30", "1000").
    enum class Key { FunctionName, Arguments };
    // Which time is kept: the processor time of the benchmark's thread, or the wall time.
    enum class Clock { Processor, Wall };

    BestTimesReporter(Key key, Clock clock) : key_(key), clock_(clock) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration)
                continue;
            const std::string name =
                key_ == Key::FunctionName ? run.run_name.function_name : run.run_name.args;
            const double time =
                clock_ == Clock::Processor ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
            const auto known = best.find(name);
            if (known == best.end() || time < known->second)
                best[name] = time;
        }
    }

    std::map<std::string, double> best;

private:
    Key key_;
    Clock clock_;
};
