#include "project/project_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "base/failure.h"
#include "base/file_replace.h"
#include "base/text.h"
#include "platform/file_open.h"

namespace rangwerk {
namespace {

constexpr const char* kInvalidValue = "Ungültiger Eigenschaftswert";
constexpr const char* kReadError = "Stream-Lesefehler";

// The reader's buffer for a project file on disk.
constexpr std::size_t kFileBlock = 64 * 1024;

[[noreturn]] void Invalid() {
    throw Failure(kInvalidValue);
}

// The smallest encodings: an Int, Id or Bool takes at least 1 or 2 bytes, a Text at least 2.
constexpr std::uint64_t kMinOptionBytes = 2 + 2 + 2;       // name, info, id
constexpr std::uint64_t kMinEntryBytes = 2 + 2 + 1;        // opponent id, outcome, decided
constexpr std::uint64_t kMinCombinationBytes = 2 + 2 + 2;  // name, result, member count
constexpr std::uint64_t kMinMemberBytes = 2 + 2;           // option id, factor

// Refuses a count that the rest of the input cannot hold, before anything is allocated.
void RequireRoom(const ValueReader& reader, std::uint64_t count, std::uint64_t bytesEach) {
    const std::uint64_t remaining = reader.Remaining();
    if (remaining == ByteSource::kUnknownSize)
        return;
    if (bytesEach != 0 && count > remaining / bytesEach)
        throw Failure(kReadError);
}

// Numbers a set of option ids 0, 1, 2 … in the order given. Ids the program hands out stay
// below a small multiple of the option count, so a plain table serves them; other ids go to a
// hash map.
class IdSlots {
public:
    static constexpr std::size_t kNone = SIZE_MAX;

    // False when an id appears twice.
    bool Assign(const std::vector<std::uint32_t>& ids) {
        std::uint64_t largest = 0;
        for (std::uint32_t id : ids) largest = std::max<std::uint64_t>(largest, id);
        bool distinct = true;
        if (largest < 4 * static_cast<std::uint64_t>(ids.size()) + 1024) {
            table_.assign(static_cast<std::size_t>(largest) + 1, kNone);
            for (std::size_t i = 0; i < ids.size(); ++i) {
                if (table_[ids[i]] != kNone)
                    distinct = false;
                table_[ids[i]] = i;
            }
        } else {
            useMap_ = true;
            map_.reserve(ids.size());
            for (std::size_t i = 0; i < ids.size(); ++i) {
                if (!map_.emplace(ids[i], i).second)
                    distinct = false;
            }
        }
        return distinct;
    }

    std::size_t Find(std::uint32_t id) const {
        if (useMap_) {
            const auto it = map_.find(id);
            return it == map_.end() ? kNone : it->second;
        }
        return id < table_.size() ? table_[id] : kNone;
    }

private:
    bool useMap_ = false;
    std::vector<std::size_t> table_;
    std::unordered_map<std::uint32_t, std::size_t> map_;
};

// Decodes result entries straight from the bytes at hand, as long as each is complete there
// and uses the integer tags the writer uses; returns how many were decoded. The rest, if any,
// goes through the reader's own checks. On the way the opponents are compared with
// `expected` (which holds `count` ids): `otherOrder` is set when they differ.
std::size_t DecodeEntriesInPlace(ValueReader& reader, ResultEntry* out, std::size_t count,
                                 const std::uint32_t* expected, bool& otherOrder) {
    const std::span<const std::uint8_t> bytes = reader.Available();
    const std::uint8_t* const first = bytes.data();
    const std::uint8_t* p = first;
    // An entry takes at most 11 bytes, so this many are surely whole without a look at the end.
    constexpr std::size_t kLongestEntry = 5 + 5 + 1;
    const std::size_t safe = std::min(count, bytes.size() / kLongestEntry);
    std::uint32_t differs = 0;  // any bit set: an opponent differs
    std::size_t k = 0;
    for (; k < safe; ++k) {
        // The forms the writer gives ids below 32768: a two-byte id (6-byte entry, tags 03
        // and 02) or a one-byte id (5-byte entry, tags 02 and 02), each followed by a
        // one-byte outcome and the decided flag.
        if (p[0] == 0x03 && p[3] == 0x02) {
            const auto id = static_cast<std::uint32_t>(static_cast<std::int32_t>(
                static_cast<std::int16_t>(static_cast<std::uint16_t>(p[1] | p[2] << 8))));
            out[k] = {id, static_cast<std::int8_t>(p[4]), p[5] == 0x09};
            differs |= id ^ expected[k];
            p += 6;
            continue;
        }
        if (p[0] == 0x02 && p[2] == 0x02) {
            const auto id = static_cast<std::uint32_t>(
                static_cast<std::int32_t>(static_cast<std::int8_t>(p[1])));
            out[k] = {id, static_cast<std::int8_t>(p[3]), p[4] == 0x09};
            differs |= id ^ expected[k];
            p += 5;
            continue;
        }
        const std::uint8_t* q = p;
        std::uint32_t id;
        if (q[0] == 0x02) {
            id = static_cast<std::uint32_t>(
                static_cast<std::int32_t>(static_cast<std::int8_t>(q[1])));
            q += 2;
        } else if (q[0] == 0x03) {
            id = static_cast<std::uint32_t>(static_cast<std::int32_t>(
                static_cast<std::int16_t>(static_cast<std::uint16_t>(q[1] | q[2] << 8))));
            q += 3;
        } else if (q[0] == 0x04) {
            id = static_cast<std::uint32_t>(q[1]) | static_cast<std::uint32_t>(q[2]) << 8 |
                 static_cast<std::uint32_t>(q[3]) << 16 | static_cast<std::uint32_t>(q[4]) << 24;
            q += 5;
        } else {
            break;
        }
        // Outcomes are -1, 0 and +1: always the one-byte tag.
        if (q[0] != 0x02)
            break;
        out[k] = {id, static_cast<std::int8_t>(q[1]), q[2] == 0x09};
        differs |= id ^ expected[k];
        p = q + 3;
    }
    reader.Advance(static_cast<std::size_t>(p - first));
    otherOrder |= differs != 0;
    return k;
}

std::string SystemErrorText(int error) {
    return std::strerror(error);
}

Failure OpenFailure(const std::string& path, int error) {
    return Failure("Datei " + path + " kann nicht geöffnet werden. " + SystemErrorText(error));
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
        w.WriteEntries(o.results.data(), o.results.size());
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
    if (d.mainPage < 0 || d.mainPage > 4)
        Invalid();

    const std::int32_t n = r.ReadInt();
    if (n < 0)
        Invalid();
    const auto count = static_cast<std::uint64_t>(n);
    RequireRoom(r, count, kMinOptionBytes + kMinEntryBytes * count);
    d.options.resize(count);
    std::unordered_set<std::string> foldedNames;
    foldedNames.reserve(count);
    // Every option must hold exactly one entry for each option, its own undecided. The ids
    // named by the first option's entries are numbered; every later option's entries are
    // checked against them as they are read, while they are at hand; and in the end the
    // options' own ids must be among them (N distinct ids among N: the very same set).
    IdSlots slots;
    std::vector<std::uint32_t> seenBy(count, UINT32_MAX);
    std::vector<ResultEntry> scratch(count);
    std::vector<std::uint32_t> firstRow(count);
    bool entriesValid = true;
    for (std::size_t i = 0; i < count; ++i) {
        StoredOption& o = d.options[i];
        o.name = r.ReadText();
        o.info = r.ReadText();
        o.id = r.ReadId();
        // Decoded into a row kept for the whole file, then copied in one piece: the entries'
        // own storage is written once.
        const auto row = static_cast<std::uint32_t>(i);
        // The first row's opponents are what the other rows are compared with (the first row
        // itself is compared with nothing in particular, and the result is not used).
        const std::uint32_t* expected = firstRow.data();
        bool otherOrder = false;
        std::size_t k = 0;
        while (k < count) {
            k += DecodeEntriesInPlace(r, scratch.data() + k, count - k, expected + k, otherOrder);
            if (k == count)
                break;
            ResultEntry& e = scratch[k];
            e.opponentId = r.ReadId();
            e.outcome = r.ReadInt();
            e.decided = r.ReadBool();
            otherOrder |= e.opponentId != expected[k];
            ++k;
        }
        o.results.assign(scratch.begin(), scratch.end());
        if (row == 0) {
            for (std::size_t j = 0; j < count; ++j) firstRow[j] = o.results[j].opponentId;
            if (!slots.Assign(firstRow))
                entriesValid = false;
        }
        if (row == 0 || !otherOrder) {
            // The opponents in the first row's order: each of them once, as there, and the
            // option's own entry where its id stands in the first row.
            const std::size_t own = slots.Find(o.id);
            if (own != IdSlots::kNone && o.results[own].decided)
                entriesValid = false;
            continue;
        }
        for (const ResultEntry& e : o.results) {
            const std::size_t slot = slots.Find(e.opponentId);
            if (slot == IdSlots::kNone || seenBy[slot] == row) {
                entriesValid = false;
            } else {
                seenBy[slot] = row;
            }
            if (e.opponentId == o.id && e.decided)
                entriesValid = false;
        }
    }
    // Ids and names are unique; names ignoring letter case. Every option's id is one of the
    // first row's opponents, each taken once.
    std::vector<bool> idTaken(count, false);
    for (const StoredOption& o : d.options) {
        const std::size_t slot = slots.Find(o.id);
        if (slot == IdSlots::kNone || idTaken[slot])
            Invalid();
        idTaken[slot] = true;
        if (o.name.empty() || !foldedNames.insert(FoldCaseText(o.name)).second)
            Invalid();
    }
    if (!entriesValid)
        Invalid();

    d.superior = r.ReadInt();
    d.tie = r.ReadInt();
    d.inferior = r.ReadInt();
    d.queryOrder = r.ReadInt();
    if (d.queryOrder < -1 || d.queryOrder > 2)
        Invalid();
    d.liveScore = r.ReadBool();
    if (d.mainPage > 2) {
        d.firstIndex = r.ReadInt();
        d.secondIndex = r.ReadInt();
        if (*d.firstIndex < 0 || *d.firstIndex >= *d.secondIndex || *d.secondIndex >= n) {
            Invalid();
        }
    }

    const std::int32_t m = r.ReadInt();
    if (m < 0)
        Invalid();
    RequireRoom(r, static_cast<std::uint64_t>(m), kMinCombinationBytes);
    d.combinations.resize(static_cast<std::size_t>(m));
    std::unordered_set<std::string> combinationNames;
    for (StoredCombination& c : d.combinations) {
        c.name = r.ReadText();
        if (c.name.empty() || !combinationNames.insert(FoldCaseText(c.name)).second)
            Invalid();
        c.result = r.ReadFloatRaw();
        const std::int32_t k = r.ReadInt();
        if (k < 0)
            Invalid();
        RequireRoom(r, static_cast<std::uint64_t>(k), kMinMemberBytes);
        c.members.resize(static_cast<std::size_t>(k));
        std::unordered_set<std::uint32_t> memberIds;
        for (StoredMember& member : c.members) {
            member.optionId = r.ReadId();
            if (slots.Find(member.optionId) == IdSlots::kNone) {
                throw Failure("Listenindex überschreitet das Maximum (" + std::to_string(n) + ")");
            }
            if (!memberIds.insert(member.optionId).second)
                Invalid();
            member.factor = r.ReadId();
            if (member.factor < 1 || member.factor > 8191)
                Invalid();
        }
    }
    d.combinationsPage = r.ReadInt();
    if (d.combinationsPage != 0 && d.combinationsPage != 1)
        Invalid();
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

void SaveProjectFile(const std::string& path, const ProjectData& data, FileCalls& calls) {
    const std::vector<std::uint8_t> bytes = ProjectFileBytes(data);
    try {
        ReplaceFileContents(
            path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
            calls);
    } catch (const FileReplaceError& e) {
        if (e.step() == FileReplaceError::Step::Open)
            throw OpenFailure(path, e.error());
        if (e.step() == FileReplaceError::Step::Write && !e.keptCopy().empty()) {
            throw Failure("Stream-Schreibfehler. Die Datei \"" + path +
                          "\" ist unvollständig; ihr bisheriger Inhalt ist in \"" + e.keptCopy() +
                          "\" aufbewahrt.");
        }
        if (e.step() == FileReplaceError::Step::Write)
            throw Failure("Stream-Schreibfehler");
        throw Failure("Datei \"" + path + "\" kann nicht erstellt werden. " +
                      SystemErrorText(e.error()));
    }
}

ProjectData ReadProjectFile(const std::string& path, PipeInput pipes,
                            std::size_t unknownSizeLimit) {
    const int fd = OpenFileForReading(path, pipes);
    if (fd < 0)
        throw OpenFailure(path, errno);
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    // Read in large blocks that stay in the processor's cache while they are decoded. The
    // block lives on the stack: a block on the heap, freed last, would let the memory of the
    // project just read be handed back to the system, and then be fetched again.
    std::array<std::uint8_t, kFileBlock> block;
    FdSource source(fd);
    if (source.Remaining() == ByteSource::kUnknownSize) {
        // A pipe or a device: read it whole first, so that every count is weighed against
        // what the input really holds before anything is allocated for it.
        std::vector<std::uint8_t> bytes;
        for (;;) {
            const std::size_t count = source.Read(block.data(), block.size());
            if (count == 0)
                break;
            if (count > unknownSizeLimit - std::min(bytes.size(), unknownSizeLimit)) {
                throw Failure(kReadError);
            }
            bytes.insert(bytes.end(), block.begin(), block.begin() + count);
        }
        return ParseProjectFileBytes(bytes);
    }
    ValueReader reader(source, block);
    return ReadProjectData(reader);
}

std::vector<std::uint8_t> ProjectFileBytes(const ProjectData& data) {
    MemorySink sink;
    // Nearly every file: six bytes an entry at most (ids below 32768), texts and a little more.
    std::size_t estimate = 64;
    for (const StoredOption& o : data.options) {
        estimate += 6 * o.results.size() + o.name.size() + o.info.size() + 32;
    }
    for (const StoredCombination& c : data.combinations) {
        estimate += c.name.size() + 32 + 8 * c.members.size();
    }
    sink.Reserve(estimate);
    ValueWriter writer(sink);
    WriteProjectData(writer, data);
    writer.Finish();
    return sink.Bytes();
}

ProjectData ParseProjectFileBytes(const std::vector<std::uint8_t>& bytes) {
    ValueReader reader(std::span<const std::uint8_t>(bytes.data(), bytes.size()));
    return ReadProjectData(reader);
}

}  // namespace rangwerk
