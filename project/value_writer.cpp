#include "project/value_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string>

#include <unistd.h>

#include "base/failure.h"
#include "base/text.h"

namespace rangwerk {
namespace {

[[noreturn]] void ThrowWriteError() {
    throw Failure("Stream-Schreibfehler");
}

}  // namespace

void MemorySink::Write(const std::uint8_t* data, std::size_t size) {
    bytes_.insert(bytes_.end(), data, data + size);
}

void FileSink::Write(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return;
    if (std::fwrite(data, 1, size, file_) != size)
        ThrowWriteError();
}

void FileSink::Flush() {
    if (std::fflush(file_) != 0)
        ThrowWriteError();
}

void FdSink::Write(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd_, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            ThrowWriteError();
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void ValueWriter::WriteInt(std::int32_t value) {
    if (value >= -128 && value <= 127) {
        PutByte(0x02);
        PutLittleEndian(static_cast<std::uint32_t>(value), 1);
    } else if (value >= -32768 && value <= 32767) {
        PutByte(0x03);
        PutLittleEndian(static_cast<std::uint32_t>(value), 2);
    } else {
        PutByte(0x04);
        PutLittleEndian(static_cast<std::uint32_t>(value), 4);
    }
}

void ValueWriter::WriteId(std::uint32_t value) {
    if (value <= static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
        WriteInt(static_cast<std::int32_t>(value));
        return;
    }
    PutByte(0x13);
    PutLittleEndian(value, 8);
}

void ValueWriter::WriteText(std::string_view utf8) {
    // An ASCII text reads the same in UTF-8 and in Windows-1252. Any other character has a
    // multi-byte UTF-8 form, which differs from its single Windows-1252 byte (or from "?" when
    // Windows-1252 cannot hold it), so it goes out as UTF-8.
    if (IsAscii(utf8)) {
        if (utf8.size() <= 255) {
            PutByte(0x06);
            PutByte(static_cast<std::uint8_t>(utf8.size()));
        } else {
            if (utf8.size() > std::numeric_limits<std::uint32_t>::max())
                ThrowWriteError();
            PutByte(0x0C);
            PutLittleEndian(utf8.size(), 4);
        }
        Put(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size());
        return;
    }
    const std::string clean = EncodeUtf8(DecodeUtf8(utf8));
    if (clean.size() > std::numeric_limits<std::uint32_t>::max())
        ThrowWriteError();
    PutByte(0x14);
    PutLittleEndian(clean.size(), 4);
    Put(reinterpret_cast<const std::uint8_t*>(clean.data()), clean.size());
}

void ValueWriter::WriteBool(bool value) {
    PutByte(value ? 0x09 : 0x08);
}

void ValueWriter::WriteFloat(long double value) {
    WriteFloatRaw(Extended80::FromLongDouble(value));
}

void ValueWriter::WriteFloatRaw(const Extended80& value) {
    PutByte(0x05);
    Put(value.bytes.data(), value.bytes.size());
}

void ValueWriter::WriteEntries(const ResultEntry* entries, std::size_t count) {
    if (failed_)
        ThrowWriteError();
    constexpr std::size_t kLongest = 3 + 2 + 1;  // an id below 32768, an outcome, the flag
    std::size_t k = 0;
    while (k < count) {
        if (buffer_.size() - used_ < kLongest)
            Drain();
        std::uint8_t* p = buffer_.data() + used_;
        std::uint8_t* const last = buffer_.data() + buffer_.size() - kLongest;
        while (k < count && p <= last) {
            const ResultEntry& e = entries[k];
            if (e.opponentId > 32767 || e.outcome < -128 || e.outcome > 127)
                break;
            if (e.opponentId <= 127) {
                p[0] = 0x02;
                p[1] = static_cast<std::uint8_t>(e.opponentId);
                p += 2;
            } else {
                p[0] = 0x03;
                p[1] = static_cast<std::uint8_t>(e.opponentId & 0xFF);
                p[2] = static_cast<std::uint8_t>(e.opponentId >> 8);
                p += 3;
            }
            p[0] = 0x02;
            p[1] = static_cast<std::uint8_t>(e.outcome);
            p[2] = e.decided ? 0x09 : 0x08;
            p += 3;
            ++k;
        }
        used_ = static_cast<std::size_t>(p - buffer_.data());
        if (k < count && p <= last) {
            // An entry of a rarer form goes the long way.
            WriteId(entries[k].opponentId);
            WriteInt(entries[k].outcome);
            WriteBool(entries[k].decided);
            ++k;
        }
    }
}

void ValueWriter::Finish() {
    Drain();
    try {
        sink_.Flush();
    } catch (...) {
        failed_ = true;
        throw;
    }
}

void ValueWriter::Put(const std::uint8_t* data, std::size_t size) {
    if (failed_)
        ThrowWriteError();
    while (size > 0) {
        if (used_ == buffer_.size())
            Drain();
        const std::size_t chunk = std::min(size, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, data, chunk);
        used_ += chunk;
        data += chunk;
        size -= chunk;
    }
}

void ValueWriter::PutLittleEndian(std::uint64_t value, int bytes) {
    std::uint8_t out[8];
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    Put(out, static_cast<std::size_t>(bytes));
}

void ValueWriter::Drain() {
    if (failed_)
        ThrowWriteError();
    if (used_ == 0)
        return;
    try {
        sink_.Write(buffer_.data(), used_);
    } catch (...) {
        failed_ = true;
        throw;
    }
    used_ = 0;
}

}  // namespace rangwerk
