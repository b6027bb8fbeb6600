// Reads the input as a whole project file. When the reader accepts it, the project is opened
// as the program opens it (loaded into the working state, the saved pair restored through the
// step routine), captured again and written; the written bytes must read back as exactly the
// captured data, and the captured data must be what was read.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/failure.h"
#include "project/project_file.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rangwerk;
    const std::vector<std::uint8_t> bytes(data, data + size);
    ProjectData read;
    try {
        read = ParseProjectFileBytes(bytes);
    } catch (const Failure&) {
        return 0;
    }

    Project project;
    LoadIntoProject(read, project);
    if (read.mainPage > 2) {
        project.run.Restore(*read.firstIndex, *read.secondIndex);
        project.run.NextComparison(false);
    }
    const ProjectData captured = CaptureProject(
        project, ViewFacts{read.mainPage, read.combinationsPage, read.combinationsOpen});

    // A stored result passes through long double, which keeps its value; only encodings the
    // writer never produces (unnormals and the like) come back in their canonical form.
    ProjectData expected = read;
    for (StoredCombination& c : expected.combinations) {
        c.result = Extended80::FromLongDouble(c.result.ToLongDouble());
    }
    Check(captured == expected);

    const std::vector<std::uint8_t> written = ProjectFileBytes(captured);
    Check(ParseProjectFileBytes(written) == captured);
    return 0;
}
