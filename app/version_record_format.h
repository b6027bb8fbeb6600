#pragma once

// Contents and binary layout of the program's version record.
//
// The layout is the VS_VERSIONINFO resource of Windows program files: a tree of nodes, each
//   WORD  wLength        length of the node in bytes, children included, trailing padding not
//   WORD  wValueLength   length of the value: bytes for binary values, UTF-16 units for text
//   WORD  wType          0 binary value, 1 text value
//   WCHAR szKey[]        UTF-16LE key with terminating zero
//   padding to a 32-bit boundary, the value, padding to a 32-bit boundary, the child nodes
// with every node starting on a 32-bit boundary counted from the start of the record. The root
// "VS_VERSION_INFO" holds the fixed part (VS_FIXEDFILEINFO) as its value and has the children
// "StringFileInfo" (one string table per language and code page) and "VarFileInfo" (the
// "Translation" list of language and code-page pairs).
//
// The writer is constexpr so that the record can be built into the program at compile time.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "base/text.h"

namespace rangwerk {

inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BDu;
inline constexpr std::uint32_t kFixedFileInfoStructVersion = 0x00010000u;
inline constexpr std::uint32_t kFileFlagsMaskAll = 0x0000003Fu;     // VS_FFI_FILEFLAGSMASK
inline constexpr std::uint32_t kFileOsWindows32 = 0x00000004u;      // VOS__WINDOWS32
inline constexpr std::uint32_t kFileTypeApplication = 0x00000001u;  // VFT_APP
inline constexpr std::size_t kFixedFileInfoSize = 13 * 4;

// The fixed part of the record (VS_FIXEDFILEINFO), field by field.
struct FixedFileInfo {
    std::uint32_t signature = kFixedFileInfoSignature;
    std::uint32_t structVersion = kFixedFileInfoStructVersion;
    std::uint32_t fileVersionMs = 0;  // major << 16 | minor
    std::uint32_t fileVersionLs = 0;  // release << 16 | build
    std::uint32_t productVersionMs = 0;
    std::uint32_t productVersionLs = 0;
    std::uint32_t fileFlagsMask = kFileFlagsMaskAll;
    std::uint32_t fileFlags = 0;
    std::uint32_t fileOs = kFileOsWindows32;
    std::uint32_t fileType = kFileTypeApplication;
    std::uint32_t fileSubtype = 0;
    std::uint32_t fileDateMs = 0;
    std::uint32_t fileDateLs = 0;

    constexpr bool operator==(const FixedFileInfo&) const = default;
};

// One entry of a string table; both texts UTF-8.
struct VersionString {
    std::string_view key;
    std::string_view value;
};

// One entry of the translation list.
struct VersionTranslation {
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
};

// Everything the writer puts into a record: the fixed part, one string table and the
// translation list.
struct VersionRecordContent {
    FixedFileInfo fixed;
    std::string_view stringTableKey;  // e.g. "040704E4"
    std::span<const VersionString> strings;
    std::span<const VersionTranslation> translations;
};

namespace version_record_writer {

// Output targets of the writer: one that only counts, one fixed array, one vector.
struct CountingSink {
    std::size_t size = 0;
    constexpr void Put(std::uint8_t) { ++size; }
    constexpr void Set(std::size_t, std::uint8_t) {}
    constexpr std::size_t Size() const { return size; }
};

template <std::size_t N>
struct ArraySink {
    std::array<std::uint8_t, N> bytes{};
    std::size_t size = 0;
    constexpr void Put(std::uint8_t byte) { bytes[size++] = byte; }
    constexpr void Set(std::size_t position, std::uint8_t byte) { bytes[position] = byte; }
    constexpr std::size_t Size() const { return size; }
};

struct VectorSink {
    std::vector<std::uint8_t> bytes;
    void Put(std::uint8_t byte) { bytes.push_back(byte); }
    void Set(std::size_t position, std::uint8_t byte) { bytes[position] = byte; }
    std::size_t Size() const { return bytes.size(); }
};

template <class Sink>
constexpr void PutWord(Sink& sink, std::uint16_t value) {
    sink.Put(static_cast<std::uint8_t>(value & 0xFF));
    sink.Put(static_cast<std::uint8_t>(value >> 8));
}

template <class Sink>
constexpr void PutDword(Sink& sink, std::uint32_t value) {
    PutWord(sink, static_cast<std::uint16_t>(value & 0xFFFF));
    PutWord(sink, static_cast<std::uint16_t>(value >> 16));
}

template <class Sink>
constexpr void PutPadding(Sink& sink) {
    while (sink.Size() % 4 != 0) {
        sink.Put(0);
    }
}

// Writes a UTF-8 text as UTF-16LE followed by a terminating zero.
template <class Sink>
constexpr void PutText(Sink& sink, std::string_view text) {
    for (std::size_t position = 0; position < text.size();) {
        const char32_t codePoint = NextUtf8(text, position);
        if (codePoint >= 0x10000) {
            const char32_t offset = codePoint - 0x10000;
            PutWord(sink, static_cast<std::uint16_t>(0xD800 + (offset >> 10)));
            PutWord(sink, static_cast<std::uint16_t>(0xDC00 + (offset & 0x3FF)));
        } else {
            PutWord(sink, static_cast<std::uint16_t>(codePoint));
        }
    }
    PutWord(sink, 0);
}

constexpr std::uint16_t CheckedWord(std::size_t value) {
    if (value > 0xFFFF) {
        throw std::length_error("version record too large");
    }
    return static_cast<std::uint16_t>(value);
}

// Starts a node on the next 32-bit boundary and returns its start; the length is filled in by
// EndNode.
template <class Sink>
constexpr std::size_t BeginNode(Sink& sink, std::string_view key, std::size_t valueLength,
                                std::uint16_t type) {
    PutPadding(sink);
    const std::size_t start = sink.Size();
    PutWord(sink, 0);
    PutWord(sink, CheckedWord(valueLength));
    PutWord(sink, type);
    PutText(sink, key);
    PutPadding(sink);
    return start;
}

template <class Sink>
constexpr void EndNode(Sink& sink, std::size_t start) {
    const std::uint16_t length = CheckedWord(sink.Size() - start);
    sink.Set(start, static_cast<std::uint8_t>(length & 0xFF));
    sink.Set(start + 1, static_cast<std::uint8_t>(length >> 8));
}

template <class Sink>
constexpr void WriteVersionRecord(Sink& sink, const VersionRecordContent& content) {
    const std::size_t root = BeginNode(sink, "VS_VERSION_INFO", kFixedFileInfoSize, 0);
    const FixedFileInfo& fixed = content.fixed;
    for (const std::uint32_t field :
         {fixed.signature, fixed.structVersion, fixed.fileVersionMs, fixed.fileVersionLs,
          fixed.productVersionMs, fixed.productVersionLs, fixed.fileFlagsMask, fixed.fileFlags,
          fixed.fileOs, fixed.fileType, fixed.fileSubtype, fixed.fileDateMs, fixed.fileDateLs}) {
        PutDword(sink, field);
    }

    const std::size_t stringFileInfo = BeginNode(sink, "StringFileInfo", 0, 1);
    const std::size_t table = BeginNode(sink, content.stringTableKey, 0, 1);
    for (const VersionString& entry : content.strings) {
        // Text values count their UTF-16 units including the terminating zero.
        const std::size_t node = BeginNode(sink, entry.key, Utf16Length(entry.value) + 1, 1);
        PutText(sink, entry.value);
        EndNode(sink, node);
    }
    EndNode(sink, table);
    EndNode(sink, stringFileInfo);

    const std::size_t varFileInfo = BeginNode(sink, "VarFileInfo", 0, 1);
    const std::size_t translation =
        BeginNode(sink, "Translation", 4 * content.translations.size(), 0);
    for (const VersionTranslation& pair : content.translations) {
        PutWord(sink, pair.language);
        PutWord(sink, pair.codePage);
    }
    EndNode(sink, translation);
    EndNode(sink, varFileInfo);

    EndNode(sink, root);
}

}  // namespace version_record_writer

// Size in bytes of the record for `content`.
constexpr std::size_t VersionRecordSize(const VersionRecordContent& content) {
    version_record_writer::CountingSink sink;
    version_record_writer::WriteVersionRecord(sink, content);
    return sink.Size();
}

// The record as a fixed array; N must be VersionRecordSize(content).
template <std::size_t N>
constexpr std::array<std::uint8_t, N> VersionRecordArray(const VersionRecordContent& content) {
    version_record_writer::ArraySink<N> sink;
    version_record_writer::WriteVersionRecord(sink, content);
    if (sink.Size() != N) {
        throw std::length_error("version record size mismatch");
    }
    return sink.bytes;
}

// The record as bytes at run time. Throws std::length_error when it does not fit the 16-bit
// length fields.
inline std::vector<std::uint8_t> SerializeVersionRecord(const VersionRecordContent& content) {
    version_record_writer::VectorSink sink;
    version_record_writer::WriteVersionRecord(sink, content);
    return std::move(sink.bytes);
}

}  // namespace rangwerk
