#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "project/extended80.h"

namespace rangwerk {

// Where a ValueReader takes its bytes from.
class ByteSource {
public:
    static constexpr std::uint64_t kUnknownSize = std::numeric_limits<std::uint64_t>::max();

    virtual ~ByteSource() = default;
    // Reads up to size bytes and returns how many were read; 0 only at the end. A read error
    // throws rangwerk::Failure("Stream-Lesefehler").
    virtual std::size_t Read(std::uint8_t* data, std::size_t size) = 0;
    // The bytes left from the current position to the end, or kUnknownSize.
    virtual std::uint64_t Remaining() const = 0;
};

// Reads from bytes in memory, which must outlive the source.
class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    explicit MemorySource(std::string_view bytes)
        : bytes_(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()) {}
    std::size_t Read(std::uint8_t* data, std::size_t size) override;
    std::uint64_t Remaining() const override { return bytes_.size() - position_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

// Reads from an open C stream, owned by the caller. The remaining size is known when the
// stream can seek; it is taken when the source is made.
class FileSource : public ByteSource {
public:
    explicit FileSource(std::FILE* file);
    std::size_t Read(std::uint8_t* data, std::size_t size) override;
    std::uint64_t Remaining() const override { return remaining_; }

private:
    std::FILE* file_;
    std::uint64_t remaining_;
};

// Reads from an open POSIX file descriptor, owned by the caller. The remaining size is known
// for a regular file; it is taken when the source is made.
class FdSource : public ByteSource {
public:
    explicit FdSource(int fd);
    std::size_t Read(std::uint8_t* data, std::size_t size) override;
    std::uint64_t Remaining() const override { return remaining_; }

private:
    int fd_;
    std::uint64_t remaining_;
};

// Reads the tagged values of a project file through a buffer of 2048 bytes. Every operation
// throws rangwerk::Failure: "Stream-Lesefehler" when the input ends before the value is
// complete, "Ungültiger Eigenschaftswert" when the tag does not suit the kind. A declared
// length longer than what is left of the input fails before anything is allocated for it.
class ValueReader {
public:
    static constexpr std::size_t kBufferSize = 2048;

    // Reads through a buffer of kBufferSize bytes.
    explicit ValueReader(ByteSource& source)
        : source_(&source), buffer_(kBufferSize), data_(buffer_.data()) {}
    // Reads through the caller's buffer, where many values are read at once (a whole project
    // file: fewer, larger reads). The buffer must outlive the reader.
    ValueReader(ByteSource& source, std::span<std::uint8_t> buffer)
        : source_(&source), external_(buffer), data_(buffer.data()) {}
    // Reads bytes that are in memory as a whole (a file read in one piece), straight from
    // where they are; the bytes must outlive the reader.
    explicit ValueReader(std::span<const std::uint8_t> bytes)
        : data_(bytes.data()), end_(bytes.size()) {}
    ValueReader(const ValueReader&) = delete;
    ValueReader& operator=(const ValueReader&) = delete;

    // Tags 0x02, 0x03, 0x04, sign-extended.
    std::int32_t ReadInt() {
        std::int32_t value;
        return ReadBufferedInt(value) ? value : ReadIntSlowly();
    }
    // An option id, opponent id or factor: as ReadInt, taken as an unsigned number; also
    // 0x13 holding 2147483648 to 4294967295, the form ValueWriter::WriteId gives those values.
    std::uint32_t ReadId() {
        std::int32_t value;
        return ReadBufferedInt(value) ? static_cast<std::uint32_t>(value) : ReadIdSlowly();
    }
    // Tags 0x06 and 0x0C (Windows-1252), 0x14 (UTF-8) and 0x12 (UTF-16LE), returned as UTF-8;
    // malformed UTF-8 or unpaired surrogates become U+FFFD.
    std::string ReadText();
    // Never refuses a tag: true exactly for 0x09; every other byte is false with no payload.
    bool ReadBool() {
        if (position_ < end_)
            return data_[position_++] == 0x09;
        return ReadBoolSlowly();
    }
    // Tag 0x05, or an integer tag (0x02, 0x03, 0x04, 0x13) converted.
    long double ReadFloat();
    // As ReadFloat, keeping the ten bytes of a 0x05 value as they are; an integer converts
    // exactly.
    Extended80 ReadFloatRaw();

    // The bytes left in the input (buffered or not yet read), or ByteSource::kUnknownSize.
    std::uint64_t Remaining() const;

    // The bytes at hand (in the buffer, or the rest of the bytes in memory), for decoding a
    // long run of values in place; Advance consumes what was decoded.
    std::span<const std::uint8_t> Available() const {
        return {data_ + position_, end_ - position_};
    }
    void Advance(std::size_t count) { position_ += count; }

private:
    // The common case of ReadInt and ReadId, decoded straight from the buffer: an integer tag
    // whose payload is buffered in full. Anything else is left to the slow path, which reads
    // the same bytes again with every check.
    bool ReadBufferedInt(std::int32_t& value) {
        if (end_ - position_ < 5)
            return false;
        const std::uint8_t* p = data_ + position_;
        switch (p[0]) {
            case 0x02:
                value = static_cast<std::int8_t>(p[1]);
                position_ += 2;
                return true;
            case 0x03:
                value = static_cast<std::int16_t>(static_cast<std::uint16_t>(p[1] | p[2] << 8));
                position_ += 3;
                return true;
            case 0x04:
                value = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[1]) |
                                                  static_cast<std::uint32_t>(p[2]) << 8 |
                                                  static_cast<std::uint32_t>(p[3]) << 16 |
                                                  static_cast<std::uint32_t>(p[4]) << 24);
                position_ += 5;
                return true;
            default:
                return false;
        }
    }
    std::int32_t ReadIntSlowly();
    std::uint32_t ReadIdSlowly();
    bool ReadBoolSlowly();
    std::uint8_t ReadByte();
    void ReadBytes(std::uint8_t* data, std::size_t size);
    std::uint64_t ReadLittleEndian(int bytes);
    std::int64_t ReadSigned(int bytes);
    // Reads size bytes into a string, refusing a size the rest of the input cannot hold.
    std::string ReadPayload(std::uint64_t size);
    bool Refill();

    ByteSource* source_ = nullptr;  // none when reading from memory
    std::vector<std::uint8_t> buffer_;
    std::span<std::uint8_t> external_;  // the caller's buffer, when given
    const std::uint8_t* data_;          // the buffer, or the bytes in memory
    std::size_t position_ = 0;
    std::size_t end_ = 0;
};

}  // namespace rangwerk
