#pragma once

// Reading a version record (layout: see version_record_format.h) and looking values up by path,
// the way the system's version query does: "\" is the fixed part, "\VarFileInfo\Translation" the
// translation list, "\StringFileInfo\040704e4\FileVersion" one string. Keys compare without
// regard to case. Malformed or truncated records never cause reads outside the given bytes.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/version_record_format.h"

namespace rangwerk {

// One node of the record.
struct VersionNode {
    std::string key;                  // UTF-8
    std::uint16_t type = 0;           // 0 binary value, otherwise text
    std::vector<std::uint8_t> value;  // raw bytes as stored (text as UTF-16LE)
    std::vector<VersionNode> children;

    bool IsText() const { return type != 0; }
};

class VersionRecord {
public:
    // Nodes nested deeper than this are ignored; a real record is four levels deep.
    static constexpr int kMaxDepth = 16;

    // Reads the tree. Empty when even the root node is malformed or longer than the bytes;
    // a malformed child ends the list of children of its parent.
    static std::optional<VersionRecord> Parse(std::span<const std::uint8_t> bytes);

    const VersionNode& Root() const { return root_; }

    // The node at a backslash-separated path of keys; empty parts of the path are skipped, so
    // "\" and "" name the root. Null when there is no such node.
    const VersionNode* Find(std::string_view path) const;

    // The text at a path up to its first zero unit, as UTF-8.
    std::optional<std::string> QueryString(std::string_view path) const;

    // The first entry of "\VarFileInfo\Translation": language in the low 16 bits, code page in
    // the high 16 bits. Empty when missing or shorter than 32 bits.
    std::optional<std::uint32_t> FirstTranslation() const;

    // The fixed part; empty when the root value is too short or lacks the signature.
    std::optional<FixedFileInfo> Fixed() const;

    // The "FileVersion" string of the string table named by the first translation entry,
    // or "" when any step fails.
    std::string FileVersion() const;

private:
    VersionNode root_;
};

// The "FileVersion" string of a record given as bytes, or "".
std::string FileVersionFromRecord(std::span<const std::uint8_t> bytes);

// UTF-16LE bytes up to the first zero unit (or the end) as UTF-8; unpaired surrogates become
// U+FFFD and an odd last byte is ignored.
std::string DecodeVersionText(std::span<const std::uint8_t> utf16le);

}  // namespace rangwerk
