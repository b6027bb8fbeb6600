#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/file_replace.h"
#include "core/options.h"
#include "platform/file_open.h"
#include "project/extended80.h"
#include "project/project.h"
#include "project/value_reader.h"
#include "project/value_writer.h"

namespace rangwerk {

// What the project file keeps of the windows: the main window's page (0 "Start" … 4
// "Ergebnis"), the combinations window's page (0 "Voreinstellungen", 1 "Diagramm") and
// whether that window is open.
struct ViewFacts {
    std::int32_t mainPage = 1;
    std::int32_t combinationsPage = 0;
    bool combinationsOpen = false;

    bool operator==(const ViewFacts&) const = default;
};

struct StoredOption {
    std::string name;
    std::string info;
    std::uint32_t id = 0;
    std::vector<ResultEntry> results;

    bool operator==(const StoredOption&) const = default;
};

struct StoredMember {
    std::uint32_t optionId = 0;
    std::uint32_t factor = 1;

    bool operator==(const StoredMember&) const = default;
};

struct StoredCombination {
    std::string name;
    Extended80 result;  // kept as its ten bytes, so that a file is rewritten exactly
    std::vector<StoredMember> members;

    bool operator==(const StoredCombination&) const = default;
};

// Every field of a project file, in file order.
struct ProjectData {
    std::int32_t mainPage = 1;
    std::vector<StoredOption> options;
    std::int32_t superior = 1;
    std::int32_t tie = 0;
    std::int32_t inferior = -1;
    std::int32_t queryOrder = -1;
    bool liveScore = false;
    // Present exactly when the main page is greater than 2.
    std::optional<std::int32_t> firstIndex;
    std::optional<std::int32_t> secondIndex;
    std::vector<StoredCombination> combinations;
    std::int32_t combinationsPage = 0;
    bool combinationsOpen = false;

    bool operator==(const ProjectData&) const = default;
};

// The fields of the working state and the view facts.
ProjectData CaptureProject(const Project& project, const ViewFacts& view);

// Writes the fields in file order (the pair only when the main page is greater than 2).
void WriteProjectData(ValueWriter& writer, const ProjectData& data);

// Reads and checks every field. Throws Failure with the German message: "Stream-Lesefehler"
// for a file that ends early (or declares more than it can hold), "Ungültiger
// Eigenschaftswert" for a wrong tag or a value the program never writes, "Listenindex
// überschreitet das Maximum (N)" for a member whose option id matches no option.
ProjectData ReadProjectData(ValueReader& reader);

// Puts read data into an empty project: options with their answers, points, query order,
// live flag, the keep flag (always set), combinations. The pair is the window's to restore.
void LoadIntoProject(ProjectData data, Project& project);

// Writes the project file without ever destroying the previous one (ReplaceFileContents in
// base/file_replace.h): through symbolic links to the file they name, with the file's
// permission bits kept, in place where the folder takes no new file, and without leaving a
// temporary file behind when it fails. A folder, a device or a pipe is refused with "Datei %s
// kann nicht geöffnet werden. %s"; a write error is "Stream-Schreibfehler", and where a file
// written in place could not even get its old contents back, the message names the copy that
// keeps them. `calls` are the system's, or a test's.
void SaveProjectFile(const std::string& path, const ProjectData& data,
                     FileCalls& calls = SystemFileCalls());

// Input of unknown size (a pipe, a device) is read whole before it is decoded, up to this many
// bytes; more is refused as a read error. A project of 1000 options with every pair answered
// takes about 6 MB.
constexpr std::size_t kUnknownSizeLimit = std::size_t{1} << 30;

// Opens and reads a project file; nothing is changed when it fails. A folder and a device are
// refused with "Datei %s kann nicht geöffnet werden. %s", and so is a pipe unless `pipes` is
// Read (the window's open refuses it at once; a tool reads its input from one).
ProjectData ReadProjectFile(const std::string& path, PipeInput pipes = PipeInput::Refused,
                            std::size_t unknownSizeLimit = kUnknownSizeLimit);

// The bytes of a project file in memory, for tools and tests.
std::vector<std::uint8_t> ProjectFileBytes(const ProjectData& data);
ProjectData ParseProjectFileBytes(const std::vector<std::uint8_t>& bytes);

}  // namespace rangwerk
