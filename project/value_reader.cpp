#include "project/value_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "base/failure.h"
#include "base/text.h"

namespace rangwerk {
namespace {

// Payloads grow by at most this much at a time, so that even a source whose size is unknown
// cannot make the reader allocate far beyond the bytes it really delivers.
constexpr std::size_t kPayloadChunk = 64 * 1024;

[[noreturn]] void ThrowReadError() {
    throw Failure("Stream-Lesefehler");
}
[[noreturn]] void ThrowInvalidValue() {
    throw Failure("Ungültiger Eigenschaftswert");
}

std::uint64_t Consumed(std::uint64_t remaining, std::size_t read) {
    if (remaining == ByteSource::kUnknownSize)
        return remaining;
    return remaining > read ? remaining - read : 0;
}

}  // namespace

std::size_t MemorySource::Read(std::uint8_t* data, std::size_t size) {
    const std::size_t count = std::min(size, bytes_.size() - position_);
    if (count > 0)
        std::memcpy(data, bytes_.data() + position_, count);
    position_ += count;
    return count;
}

FileSource::FileSource(std::FILE* file) : file_(file), remaining_(kUnknownSize) {
    const long start = std::ftell(file);
    if (start < 0 || std::fseek(file, 0, SEEK_END) != 0)
        return;
    const long end = std::ftell(file);
    if (std::fseek(file, start, SEEK_SET) != 0)
        ThrowReadError();
    if (end >= start)
        remaining_ = static_cast<std::uint64_t>(end - start);
}

std::size_t FileSource::Read(std::uint8_t* data, std::size_t size) {
    const std::size_t count = std::fread(data, 1, size, file_);
    if (count < size && std::ferror(file_))
        ThrowReadError();
    remaining_ = Consumed(remaining_, count);
    return count;
}

FdSource::FdSource(int fd) : fd_(fd), remaining_(kUnknownSize) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return;
    const off_t position = ::lseek(fd, 0, SEEK_CUR);
    if (position >= 0 && position <= info.st_size) {
        remaining_ = static_cast<std::uint64_t>(info.st_size - position);
    }
}

std::size_t FdSource::Read(std::uint8_t* data, std::size_t size) {
    for (;;) {
        const ssize_t count = ::read(fd_, data, size);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            ThrowReadError();
        remaining_ = Consumed(remaining_, static_cast<std::size_t>(count));
        return static_cast<std::size_t>(count);
    }
}

std::int32_t ValueReader::ReadIntSlowly() {
    switch (ReadByte()) {
        case 0x02:
            return static_cast<std::int32_t>(ReadSigned(1));
        case 0x03:
            return static_cast<std::int32_t>(ReadSigned(2));
        case 0x04:
            return static_cast<std::int32_t>(ReadSigned(4));
        default:
            ThrowInvalidValue();
    }
}

std::uint32_t ValueReader::ReadIdSlowly() {
    switch (ReadByte()) {
        case 0x02:
            return static_cast<std::uint32_t>(ReadSigned(1));
        case 0x03:
            return static_cast<std::uint32_t>(ReadSigned(2));
        case 0x04:
            return static_cast<std::uint32_t>(ReadSigned(4));
        case 0x13: {
            const std::int64_t value = ReadSigned(8);
            if (value < 0x80000000LL || value > 0xFFFFFFFFLL)
                ThrowInvalidValue();
            return static_cast<std::uint32_t>(value);
        }
        default:
            ThrowInvalidValue();
    }
}

std::string ValueReader::ReadText() {
    switch (ReadByte()) {
        case 0x06:
            return Cp1252ToUtf8(ReadPayload(ReadByte()));
        case 0x0C:
            return Cp1252ToUtf8(ReadPayload(ReadLittleEndian(4)));
        case 0x14:
            return EncodeUtf8(DecodeUtf8(ReadPayload(ReadLittleEndian(4))));
        case 0x12:
            return Utf16LeToUtf8(ReadPayload(2 * ReadLittleEndian(4)));
        default:
            ThrowInvalidValue();
    }
}

bool ValueReader::ReadBoolSlowly() {
    return ReadByte() == 0x09;
}

long double ValueReader::ReadFloat() {
    return ReadFloatRaw().ToLongDouble();
}

Extended80 ValueReader::ReadFloatRaw() {
    switch (ReadByte()) {
        case 0x05: {
            Extended80 value;
            ReadBytes(value.bytes.data(), value.bytes.size());
            return value;
        }
        case 0x02:
            return Extended80::FromInteger(ReadSigned(1));
        case 0x03:
            return Extended80::FromInteger(ReadSigned(2));
        case 0x04:
            return Extended80::FromInteger(ReadSigned(4));
        case 0x13:
            return Extended80::FromInteger(ReadSigned(8));
        default:
            ThrowInvalidValue();
    }
}

std::uint64_t ValueReader::Remaining() const {
    const std::uint64_t rest = source_ ? source_->Remaining() : 0;
    const std::uint64_t buffered = end_ - position_;
    if (rest >= ByteSource::kUnknownSize - buffered)
        return ByteSource::kUnknownSize;
    return rest + buffered;
}

std::uint8_t ValueReader::ReadByte() {
    if (position_ == end_ && !Refill())
        ThrowReadError();
    return data_[position_++];
}

void ValueReader::ReadBytes(std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        if (position_ == end_ && !Refill())
            ThrowReadError();
        const std::size_t chunk = std::min(size, end_ - position_);
        std::memcpy(data, data_ + position_, chunk);
        position_ += chunk;
        data += chunk;
        size -= chunk;
    }
}

std::uint64_t ValueReader::ReadLittleEndian(int bytes) {
    std::uint8_t in[8];
    const auto count = static_cast<std::size_t>(bytes);
    if (end_ - position_ >= count) {
        // Byte by byte rather than through memcpy, whose call costs more than these few bytes.
        for (std::size_t i = 0; i < count; ++i) in[i] = data_[position_ + i];
        position_ += count;
    } else {
        ReadBytes(in, count);
    }
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | in[i];
    return value;
}

std::int64_t ValueReader::ReadSigned(int bytes) {
    const std::uint64_t value = ReadLittleEndian(bytes);
    if (bytes == 8)
        return static_cast<std::int64_t>(value);
    const std::uint64_t signBit = std::uint64_t{1} << (8 * bytes - 1);
    // Sign extension without shifting into the sign bit: (value ^ s) - s.
    return static_cast<std::int64_t>((value ^ signBit) - signBit);
}

std::string ValueReader::ReadPayload(std::uint64_t size) {
    if (size > Remaining())
        ThrowReadError();
    std::string payload;
    while (payload.size() < size) {
        const std::size_t chunk =
            static_cast<std::size_t>(std::min<std::uint64_t>(size - payload.size(), kPayloadChunk));
        const std::size_t filled = payload.size();
        payload.resize(filled + chunk);
        ReadBytes(reinterpret_cast<std::uint8_t*>(payload.data()) + filled, chunk);
    }
    return payload;
}

bool ValueReader::Refill() {
    if (!source_)
        return false;
    position_ = 0;
    if (!external_.empty()) {
        end_ = source_->Read(external_.data(), external_.size());
    } else {
        end_ = source_->Read(buffer_.data(), buffer_.size());
    }
    return end_ > 0;
}

}  // namespace rangwerk
