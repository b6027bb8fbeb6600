#pragma once

#include <cstddef>
#include <functional>

#include "project/project_file.h"

namespace rangwerk::opt {

// A cyclic triple of decided answers: first superior to second, second to third, third to
// first (list positions in the option list).
struct AnswerCycle {
    std::size_t first = 0;
    std::size_t second = 0;
    std::size_t third = 0;
};

// Every cyclic triple exactly once, starting from the option earliest in the list, ordered by
// first, then second, then third position. An option counts as superior to another when its
// own result entry for that option is decided with outcome +1. Builds the answer matrix once
// (bit rows), so 200 options take a few milliseconds. Returns the number of cycles.
std::size_t FindAnswerCycles(const ProjectData& data,
                             const std::function<void(const AnswerCycle&)>& found);

}  // namespace rangwerk::opt
