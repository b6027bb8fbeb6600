#include "project/project_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "core/text.h"
#include "platform/failure.h"

namespace rangwerk {
namespace {

constexpr const char* kInvalidValue = "Ungültiger Eigenschaftswert";
constexpr const char* kReadError = "Stream-Lesefehler";

[[noreturn]] void Invalid() { throw Failure(kInvalidValue); }

// The smallest encodings: an Int, Id or Bool takes at least 1 or 2 bytes, a Text at least 2.
constexpr std::uint64_t kMinOptionBytes = 2 + 2 + 2;  // name, info, id
constexpr std::uint64_t kMinEntryBytes = 2 + 2 + 1;   // opponent id, outcome, decided
constexpr std::uint64_t kMinCombinationBytes = 2 + 2 + 2;  // name, result, member count
constexpr std::uint64_t kMinMemberBytes = 2 + 2;  // option id, factor

// Refuses a count that the rest of the input cannot hold, before anything is allocated.
void RequireRoom(const ValueReader& reader, std::uint64_t count, std::uint64_t bytesEach) {
    const std::uint64_t remaining = reader.Remaining();
    if (remaining == ByteSource::kUnknownSize) return;
    if (bytesEach != 0 && count > remaining / bytesEach) throw Failure(kReadError);
}

std::string FoldedName(const std::string& name) {
    std::u32string chars = DecodeUtf8(name);
    for (char32_t& c : chars) c = FoldCase(c);
    return EncodeUtf8(chars);
}

std::string SystemErrorText(int error) { return std::strerror(error); }

std::string ParentFolder(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ProjectData CaptureProject(const Project& project, const ViewFacts& view) {
    ProjectData d;
    d.mainPage = view.mainPage;
    d.options.reserve(project.options.Count());
    for (std::size_t i = 0; i < project.options.Count(); ++i) {
        const OptionRecord& o = project.options.At(i);
        d.options.push_back({o.name, o.info, o.id, o.results});
    }
    d.superior = project.scores.superior;
    d.tie = project.scores.tie;
    d.inferior = project.scores.inferior;
    d.queryOrder = static_cast<std::int32_t>(project.queryOrder);
    d.liveScore = project.liveScore;
    if (view.mainPage > 2) {
        d.firstIndex = project.run.FirstIndex();
        d.secondIndex = project.run.SecondIndex();
    }
    for (std::size_t i = 0; i < project.combinations.Count(); ++i) {
        const CombinationRecord& c = project.combinations.At(i);
        StoredCombination s;
        s.name = c.name;
        s.result = Extended80::FromLongDouble(c.result);
        for (const CombinationMember& m : c.members) {
            s.members.push_back({m.option->id, static_cast<std::uint32_t>(m.factor)});
        }
        d.combinations.push_back(std::move(s));
    }
    d.combinationsPage = view.combinationsPage;
    d.combinationsOpen = view.combinationsOpen;
    return d;
}

void WriteProjectData(ValueWriter& w, const ProjectData& d) {
    w.WriteInt(d.mainPage);
    w.WriteInt(static_cast<std::int32_t>(d.options.size()));
    for (const StoredOption& o : d.options) {
        w.WriteText(o.name);
        w.WriteText(o.info);
        w.WriteId(o.id);
        for (const ResultEntry& e : o.results) {
            w.WriteId(e.opponentId);
            w.WriteInt(e.outcome);
            w.WriteBool(e.decided);
        }
    }
    w.WriteInt(d.superior);
    w.WriteInt(d.tie);
    w.WriteInt(d.inferior);
    w.WriteInt(d.queryOrder);
    w.WriteBool(d.liveScore);
    if (d.mainPage > 2) {
        w.WriteInt(d.firstIndex.value_or(0));
        w.WriteInt(d.secondIndex.value_or(0));
    }
    w.WriteInt(static_cast<std::int32_t>(d.combinations.size()));
    for (const StoredCombination& c : d.combinations) {
        w.WriteText(c.name);
        w.WriteFloatRaw(c.result);
        w.WriteInt(static_cast<std::int32_t>(c.members.size()));
        for (const StoredMember& m : c.members) {
            w.WriteId(m.optionId);
            w.WriteId(m.factor);
        }
    }
    w.WriteInt(d.combinationsPage);
    w.WriteBool(d.combinationsOpen);
}

ProjectData ReadProjectData(ValueReader& r) {
    ProjectData d;
    d.mainPage = r.ReadInt();
    if (d.mainPage < 0 || d.mainPage > 4) Invalid();

    const std::int32_t n = r.ReadInt();
    if (n < 0) Invalid();
    const auto count = static_cast<std::uint64_t>(n);
    RequireRoom(r, count, kMinOptionBytes + kMinEntryBytes * count);
    d.options.resize(count);
    std::unordered_map<std::uint32_t, std::size_t> positionOfId;
    positionOfId.reserve(count);
    std::unordered_set<std::string> foldedNames;
    foldedNames.reserve(count);
    for (StoredOption& o : d.options) {
        o.name = r.ReadText();
        o.info = r.ReadText();
        o.id = r.ReadId();
        o.results.resize(count);
        for (ResultEntry& e : o.results) {
            e.opponentId = r.ReadId();
            e.outcome = r.ReadInt();
            e.decided = r.ReadBool();
        }
        // Ids and names are unique; names ignoring letter case.
        if (!positionOfId.emplace(o.id, positionOfId.size()).second) Invalid();
        if (o.name.empty() || !foldedNames.insert(FoldedName(o.name)).second) Invalid();
    }
    // Every option holds exactly one entry for each option, its own undecided.
    std::vector<std::uint32_t> seenBy(count, UINT32_MAX);
    for (std::size_t i = 0; i < count; ++i) {
        for (const ResultEntry& e : d.options[i].results) {
            const auto it = positionOfId.find(e.opponentId);
            if (it == positionOfId.end() || seenBy[it->second] == i) Invalid();
            seenBy[it->second] = static_cast<std::uint32_t>(i);
            if (it->second == i && e.decided) Invalid();
        }
    }

    d.superior = r.ReadInt();
    d.tie = r.ReadInt();
    d.inferior = r.ReadInt();
    d.queryOrder = r.ReadInt();
    if (d.queryOrder < -1 || d.queryOrder > 2) Invalid();
    d.liveScore = r.ReadBool();
    if (d.mainPage > 2) {
        d.firstIndex = r.ReadInt();
        d.secondIndex = r.ReadInt();
        if (*d.firstIndex < 0 || *d.firstIndex >= *d.secondIndex || *d.secondIndex >= n) {
            Invalid();
        }
    }

    const std::int32_t m = r.ReadInt();
    if (m < 0) Invalid();
    RequireRoom(r, static_cast<std::uint64_t>(m), kMinCombinationBytes);
    d.combinations.resize(static_cast<std::size_t>(m));
    std::unordered_set<std::string> combinationNames;
    for (StoredCombination& c : d.combinations) {
        c.name = r.ReadText();
        if (c.name.empty() || !combinationNames.insert(FoldedName(c.name)).second) Invalid();
        c.result = r.ReadFloatRaw();
        const std::int32_t k = r.ReadInt();
        if (k < 0) Invalid();
        RequireRoom(r, static_cast<std::uint64_t>(k), kMinMemberBytes);
        c.members.resize(static_cast<std::size_t>(k));
        std::unordered_set<std::uint32_t> memberIds;
        for (StoredMember& member : c.members) {
            member.optionId = r.ReadId();
            if (!positionOfId.count(member.optionId)) {
                throw Failure("Listenindex überschreitet das Maximum (" + std::to_string(n) + ")");
            }
            if (!memberIds.insert(member.optionId).second) Invalid();
            member.factor = r.ReadId();
            if (member.factor < 1 || member.factor > 8191) Invalid();
        }
    }
    d.combinationsPage = r.ReadInt();
    if (d.combinationsPage != 0 && d.combinationsPage != 1) Invalid();
    d.combinationsOpen = r.ReadBool();
    return d;
}

void LoadIntoProject(ProjectData data, Project& project) {
    for (StoredOption& o : data.options) {
        auto record = std::make_unique<OptionRecord>();
        record->id = o.id;
        record->name = std::move(o.name);
        record->info = std::move(o.info);
        record->results = std::move(o.results);
        project.options.AppendRecord(std::move(record));
    }
    project.scores = {data.superior, data.tie, data.inferior};
    project.queryOrder = static_cast<QueryOrder>(data.queryOrder);
    project.liveScore = data.liveScore;
    project.keepOldRanking = true;
    for (StoredCombination& c : data.combinations) {
        auto record = std::make_unique<CombinationRecord>();
        record->name = std::move(c.name);
        record->result = c.result.ToLongDouble();
        for (const StoredMember& m : c.members) {
            record->members.push_back(
                {project.options.FindById(m.optionId), static_cast<std::int32_t>(m.factor)});
        }
        project.combinations.AppendRecord(std::move(record));
    }
}

void SaveProjectFile(const std::string& path, const ProjectData& data) {
    const auto cannotCreate = [&](int error) {
        return Failure("Datei \"" + path + "\" kann nicht erstellt werden. " +
                       SystemErrorText(error));
    };
    std::string temporary = ParentFolder(path) + "/." + FileNameOf(path) + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) throw cannotCreate(errno);

    // The new file takes the old one's permissions, or those of any new file.
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0) {
        fchmod(fd, existing.st_mode & 07777);
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }

    try {
        FdSink sink(fd);
        ValueWriter writer(sink);
        WriteProjectData(writer, data);
        writer.Finish();
        if (fsync(fd) != 0) throw Failure("Stream-Schreibfehler");
    } catch (...) {
        close(fd);
        unlink(temporary.c_str());
        throw;
    }
    if (close(fd) != 0) {
        unlink(temporary.c_str());
        throw Failure("Stream-Schreibfehler");
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        throw cannotCreate(error);
    }
    // Make the rename itself durable; a folder that cannot be synced loses nothing here.
    const int folder = open(ParentFolder(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
}

ProjectData ReadProjectFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        throw Failure("Datei " + path + " kann nicht geöffnet werden. " + SystemErrorText(errno));
    }
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    FdSource source(fd);
    ValueReader reader(source);
    return ReadProjectData(reader);
}

std::vector<std::uint8_t> ProjectFileBytes(const ProjectData& data) {
    MemorySink sink;
    ValueWriter writer(sink);
    WriteProjectData(writer, data);
    writer.Finish();
    return sink.Bytes();
}

ProjectData ParseProjectFileBytes(const std::vector<std::uint8_t>& bytes) {
    MemorySource source(std::span<const std::uint8_t>(bytes.data(), bytes.size()));
    ValueReader reader(source);
    return ReadProjectData(reader);
}

}  // namespace rangwerk
