#include "app/version_record.h"

#include <cstddef>
#include <cstdio>

#include "base/text.h"

namespace rangwerk {

namespace {

constexpr std::size_t kHeaderSize = 6;  // wLength, wValueLength, wType

std::uint16_t WordAt(std::span<const std::uint8_t> bytes, std::size_t position) {
    return static_cast<std::uint16_t>(bytes[position] | (bytes[position + 1] << 8));
}

std::uint32_t DwordAt(std::span<const std::uint8_t> bytes, std::size_t position) {
    return static_cast<std::uint32_t>(WordAt(bytes, position)) |
           (static_cast<std::uint32_t>(WordAt(bytes, position + 2)) << 16);
}

// Next 32-bit boundary at or after `position`, not beyond `limit`.
std::size_t AlignedWithin(std::size_t position, std::size_t limit) {
    const std::size_t aligned = position + ((4 - position % 4) % 4);
    return aligned < limit ? aligned : limit;
}

struct ParsedNode {
    VersionNode node;
    std::size_t length = 0;
};

// Reads the node starting at `start`, which must end at or before `limit`. Positions count from
// the start of the record, as the 32-bit alignment does.
std::optional<ParsedNode> ParseNode(std::span<const std::uint8_t> bytes, std::size_t start,
                                    std::size_t limit, int depth) {
    if (start > limit || limit - start < kHeaderSize) {
        return std::nullopt;
    }
    const std::size_t length = WordAt(bytes, start);
    const std::size_t valueLength = WordAt(bytes, start + 2);
    ParsedNode parsed;
    parsed.node.type = WordAt(bytes, start + 4);
    if (length < kHeaderSize || length > limit - start) {
        return std::nullopt;
    }
    const std::size_t end = start + length;
    parsed.length = length;

    // The key: UTF-16 units up to a zero unit, which must lie inside the node.
    std::size_t position = start + kHeaderSize;
    const std::size_t keyStart = position;
    for (;;) {
        if (end - position < 2) {
            return std::nullopt;
        }
        const std::uint16_t unit = WordAt(bytes, position);
        position += 2;
        if (unit == 0) {
            break;
        }
    }
    parsed.node.key = DecodeVersionText(bytes.subspan(keyStart, position - keyStart));

    // The value. Text lengths count UTF-16 units; writers disagree about them, so a text value
    // that claims more than the node holds is cut at the node's end. A binary value must fit.
    position = AlignedWithin(position, end);
    std::size_t valueBytes = parsed.node.IsText() ? valueLength * 2 : valueLength;
    if (valueBytes > end - position) {
        if (!parsed.node.IsText()) {
            return std::nullopt;
        }
        valueBytes = end - position;
    }
    const auto value = bytes.subspan(position, valueBytes);
    parsed.node.value.assign(value.begin(), value.end());
    position = AlignedWithin(position + valueBytes, end);

    if (depth >= VersionRecord::kMaxDepth) {
        return parsed;
    }
    while (end - position >= kHeaderSize) {
        auto child = ParseNode(bytes, position, end, depth + 1);
        if (!child) {
            break;
        }
        position = AlignedWithin(position + child->length, end);
        parsed.node.children.push_back(std::move(child->node));
    }
    return parsed;
}

}  // namespace

std::string DecodeVersionText(std::span<const std::uint8_t> utf16le) {
    std::size_t units = 0;
    while (2 * units + 1 < utf16le.size() && WordAt(utf16le, 2 * units) != 0) {
        ++units;
    }
    return Utf16LeToUtf8(
        std::string_view(reinterpret_cast<const char*>(utf16le.data()), 2 * units));
}

std::optional<VersionRecord> VersionRecord::Parse(std::span<const std::uint8_t> bytes) {
    auto root = ParseNode(bytes, 0, bytes.size(), 0);
    if (!root) {
        return std::nullopt;
    }
    VersionRecord record;
    record.root_ = std::move(root->node);
    return record;
}

const VersionNode* VersionRecord::Find(std::string_view path) const {
    const VersionNode* node = &root_;
    while (!path.empty()) {
        const std::size_t separator = path.find('\\');
        const std::string_view part = path.substr(0, separator);
        path =
            separator == std::string_view::npos ? std::string_view{} : path.substr(separator + 1);
        if (part.empty()) {
            continue;
        }
        const VersionNode* found = nullptr;
        for (const VersionNode& child : node->children) {
            if (EqualIgnoringCase(child.key, part)) {
                found = &child;
                break;
            }
        }
        if (found == nullptr) {
            return nullptr;
        }
        node = found;
    }
    return node;
}

std::optional<std::string> VersionRecord::QueryString(std::string_view path) const {
    const VersionNode* node = Find(path);
    if (node == nullptr) {
        return std::nullopt;
    }
    return DecodeVersionText(node->value);
}

std::optional<std::uint32_t> VersionRecord::FirstTranslation() const {
    const VersionNode* node = Find("\\VarFileInfo\\Translation");
    if (node == nullptr || node->value.size() < 4) {
        return std::nullopt;
    }
    return DwordAt(node->value, 0);
}

std::optional<FixedFileInfo> VersionRecord::Fixed() const {
    const std::span<const std::uint8_t> value = root_.value;
    if (value.size() < kFixedFileInfoSize || DwordAt(value, 0) != kFixedFileInfoSignature) {
        return std::nullopt;
    }
    FixedFileInfo fixed;
    std::uint32_t* fields[] = {
        &fixed.signature,     &fixed.structVersion,    &fixed.fileVersionMs,
        &fixed.fileVersionLs, &fixed.productVersionMs, &fixed.productVersionLs,
        &fixed.fileFlagsMask, &fixed.fileFlags,        &fixed.fileOs,
        &fixed.fileType,      &fixed.fileSubtype,      &fixed.fileDateMs,
        &fixed.fileDateLs};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        *fields[i] = DwordAt(value, 4 * i);
    }
    return fixed;
}

std::string VersionRecord::FileVersion() const {
    const std::optional<std::uint32_t> translation = FirstTranslation();
    if (!translation) {
        return {};
    }
    const unsigned language = *translation & 0xFFFFu;
    const unsigned codePage = *translation >> 16;
    char path[64];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%.4x%.4x\\%s", language, codePage,
                  "FileVersion");
    return QueryString(path).value_or(std::string{});
}

std::string FileVersionFromRecord(std::span<const std::uint8_t> bytes) {
    const std::optional<VersionRecord> record = VersionRecord::Parse(bytes);
    return record ? record->FileVersion() : std::string{};
}

}  // namespace rangwerk
