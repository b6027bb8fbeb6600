#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "core/options.h"
#include "project/extended80.h"

namespace rangwerk {

// Where a ValueWriter puts its bytes. Write and Flush either take every byte or throw
// rangwerk::Failure("Stream-Schreibfehler").
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
    // Pushes bytes held below the sink (such as a C stream's buffer) to their destination.
    virtual void Flush() {}
};

// Collects the bytes in memory.
class MemorySink : public ByteSink {
public:
    // Room for this many bytes in all, so that a large file is not copied as it grows.
    void Reserve(std::size_t size) { bytes_.reserve(size); }
    void Write(const std::uint8_t* data, std::size_t size) override;
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// Writes to an open C stream; Flush flushes it so that a full disk is noticed before the
// caller closes the file. The stream stays owned by the caller.
class FileSink : public ByteSink {
public:
    explicit FileSink(std::FILE* file) : file_(file) {}
    void Write(const std::uint8_t* data, std::size_t size) override;
    void Flush() override;

private:
    std::FILE* file_;
};

// Writes to an open POSIX file descriptor, continuing after partial writes. The descriptor
// stays owned by the caller.
class FdSink : public ByteSink {
public:
    explicit FdSink(int fd) : fd_(fd) {}
    void Write(const std::uint8_t* data, std::size_t size) override;

private:
    int fd_;
};

// Writes the tagged values of a project file. Output is collected in a buffer of 2048 bytes;
// Finish writes what is left in it and flushes the sink. A writer that is destroyed without
// Finish (for instance after a failure) writes nothing more. After a failure every further
// operation fails again with "Stream-Schreibfehler".
class ValueWriter {
public:
    static constexpr std::size_t kBufferSize = 2048;

    explicit ValueWriter(ByteSink& sink) : sink_(sink) {}
    ValueWriter(const ValueWriter&) = delete;
    ValueWriter& operator=(const ValueWriter&) = delete;

    // The smallest integer tag that holds the value: 0x02, 0x03 or 0x04.
    void WriteInt(std::int32_t value);
    // 0 to 2147483647 exactly as WriteInt, larger values as 0x13 with 8 bytes.
    void WriteId(std::uint32_t value);
    // A UTF-8 text: plain ASCII as 0x06 (up to 255 bytes) or 0x0C, anything else as 0x14 with
    // its UTF-8 bytes (malformed sequences replaced by U+FFFD).
    void WriteText(std::string_view utf8);
    void WriteBool(bool value);
    void WriteFloat(long double value);
    void WriteFloatRaw(const Extended80& value);
    // Result entries: for each exactly the bytes of WriteId(opponentId), WriteInt(outcome),
    // WriteBool(decided), put straight into the buffer for the forms the program writes most.
    void WriteEntries(const ResultEntry* entries, std::size_t count);

    void Finish();

private:
    void Put(const std::uint8_t* data, std::size_t size);
    void PutByte(std::uint8_t byte) { Put(&byte, 1); }
    void PutLittleEndian(std::uint64_t value, int bytes);
    void Drain();

    ByteSink& sink_;
    std::array<std::uint8_t, kBufferSize> buffer_{};
    std::size_t used_ = 0;
    bool failed_ = false;
};

}  // namespace rangwerk
