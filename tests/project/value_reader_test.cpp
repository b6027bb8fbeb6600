#include "project/value_reader.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/failure.h"
#include "project/value_writer.h"

// The largest single allocation made through operator new, to show that a declared length
// alone never makes the reader allocate.
static std::atomic<std::size_t> largestAllocation{0};

// The replacements are kept out of line: inlined, the compiler would see memory from malloc
// reach operator delete, or memory from operator new reach free, and warn of a mismatch.
[[gnu::noinline]] void* operator new(std::size_t size) {
    std::size_t seen = largestAllocation.load();
    while (size > seen && !largestAllocation.compare_exchange_weak(seen, size)) {
    }
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace rangwerk {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string FailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& failure) {
        return failure.what();
    }
    return "no failure";
}

// Hands out its bytes a few at a time and does not know how many are left, like a pipe.
class TrickleSource : public ByteSource {
public:
    explicit TrickleSource(Bytes bytes) : bytes_(std::move(bytes)) {}
    std::size_t Read(std::uint8_t* data, std::size_t size) override {
        const std::size_t count = std::min({size, bytes_.size() - position_, 1 + position_ % 3});
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position_), count, data);
        position_ += count;
        return count;
    }
    std::uint64_t Remaining() const override { return kUnknownSize; }

private:
    Bytes bytes_;
    std::size_t position_ = 0;
};

// One value of every kind, in the order a layout might read them.
struct Sample {
    std::int32_t number;
    std::uint32_t id;
    std::string text;
    bool flag;
    long double real;
};

const std::vector<Sample>& Samples() {
    static const std::vector<Sample> samples = {
        {127, 0, "Apfel", true, 1.5L},
        {128, 2147483647u, "", false, -0.5L},
        {-129, 2147483648u, "Käse für 5 €, Straße", true, 1.0L / 3.0L},
        {40000, 4294967295u, std::string(300, 'k'), false, 0.0L},
        {INT32_MIN, 7, "Ω und 😀 passen nicht in Windows-1252", true,
         std::numeric_limits<long double>::denorm_min()},
        {INT32_MAX, 8191, std::string(70000, 'w') + "ä", false, -1e4000L},
    };
    return samples;
}

Bytes WriteSamples() {
    MemorySink sink;
    ValueWriter writer(sink);
    for (const Sample& s : Samples()) {
        writer.WriteInt(s.number);
        writer.WriteId(s.id);
        writer.WriteText(s.text);
        writer.WriteBool(s.flag);
        writer.WriteFloat(s.real);
    }
    writer.Finish();
    return sink.Bytes();
}

void ReadSamples(ValueReader& reader) {
    for (const Sample& s : Samples()) {
        EXPECT_EQ(reader.ReadInt(), s.number);
        EXPECT_EQ(reader.ReadId(), s.id);
        EXPECT_EQ(reader.ReadText(), s.text);
        EXPECT_EQ(reader.ReadBool(), s.flag);
        EXPECT_EQ(reader.ReadFloat(), s.real);
    }
}

TEST(ValueReaderTest, ReadsBackWhatTheWriterWrote) {
    const Bytes file = WriteSamples();
    {
        MemorySource source(file);
        ValueReader reader(source);
        ReadSamples(reader);
        EXPECT_EQ(reader.Remaining(), 0u);
    }
    {
        // The same through a source that delivers a few bytes per read.
        TrickleSource source(file);
        ValueReader reader(source);
        ReadSamples(reader);
    }
}

TEST(ValueReaderTest, ValuesSpanningTheBufferEndReadWhole) {
    // Pad with one-byte bools so that each value starts a little before the 2048-byte mark.
    for (int pad = 2030; pad <= 2048; ++pad) {
        MemorySink sink;
        ValueWriter writer(sink);
        for (int i = 0; i < pad; ++i) writer.WriteBool(i % 2 == 0);
        writer.WriteInt(40000);
        writer.WriteFloat(1.0L / 3.0L);
        writer.WriteText("Grüße");
        writer.WriteText(std::string(3000, 'x'));
        writer.WriteInt(-2);
        writer.Finish();

        MemorySource source(sink.Bytes());
        ValueReader reader(source);
        for (int i = 0; i < pad; ++i) ASSERT_EQ(reader.ReadBool(), i % 2 == 0);
        EXPECT_EQ(reader.ReadInt(), 40000) << pad;
        EXPECT_EQ(reader.ReadFloat(), 1.0L / 3.0L) << pad;
        EXPECT_EQ(reader.ReadText(), "Grüße") << pad;
        EXPECT_EQ(reader.ReadText(), std::string(3000, 'x')) << pad;
        EXPECT_EQ(reader.ReadInt(), -2) << pad;
        EXPECT_EQ(reader.Remaining(), 0u);
    }
}

TEST(ValueReaderTest, IntegersAreSignExtended) {
    const Bytes file = {0x02, 0x80, 0x03, 0x00, 0x80, 0x04, 0xFF, 0xFF, 0xFF, 0xFF,
                        0x03, 0x7F, 0xFF, 0x02, 0xFF, 0x04, 0x00, 0x00, 0x00, 0x80};
    MemorySource source(file);
    ValueReader reader(source);
    EXPECT_EQ(reader.ReadInt(), -128);
    EXPECT_EQ(reader.ReadInt(), -32768);
    EXPECT_EQ(reader.ReadInt(), -1);
    EXPECT_EQ(reader.ReadInt(), -129);
    EXPECT_EQ(reader.ReadId(), 4294967295u);  // an Id field holding -1
    EXPECT_EQ(reader.ReadInt(), INT32_MIN);
}

TEST(ValueReaderTest, TextsOfEveryEncodingReadAlike) {
    const Bytes encodings[] = {
        {0x06, 0x06, 'K', 0xE4, 's', 'e', ' ', 0x80},
        {0x0C, 0x06, 0x00, 0x00, 0x00, 'K', 0xE4, 's', 'e', ' ', 0x80},
        {0x14, 0x09, 0x00, 0x00, 0x00, 'K', 0xC3, 0xA4, 's', 'e', ' ', 0xE2, 0x82, 0xAC},
        {0x12, 0x06, 0x00, 0x00, 0x00, 'K', 0, 0xE4, 0, 's', 0, 'e', 0, ' ', 0, 0xAC, 0x20},
    };
    for (const Bytes& bytes : encodings) {
        MemorySource source(bytes);
        ValueReader reader(source);
        EXPECT_EQ(reader.ReadText(), "Käse €") << int{bytes[0]};
        EXPECT_EQ(reader.Remaining(), 0u);
    }
    const Bytes others = {
        0x12, 0x02, 0x00, 0x00, 0x00, 0x3D, 0xD8, 0x00, 0xDE,  // a surrogate pair
        0x12, 0x01, 0x00, 0x00, 0x00, 0x3D, 0xD8,              // an unpaired surrogate
        0x14, 0x02, 0x00, 0x00, 0x00, 'a',  0xC3,              // malformed UTF-8
        0x06, 0x00,                                            // empty
        0x14, 0x00, 0x00, 0x00, 0x00,                          // empty
    };
    MemorySource source(others);
    ValueReader reader(source);
    EXPECT_EQ(reader.ReadText(), "😀");
    EXPECT_EQ(reader.ReadText(), "\uFFFD");
    EXPECT_EQ(reader.ReadText(), "a\uFFFD");
    EXPECT_EQ(reader.ReadText(), "");
    EXPECT_EQ(reader.ReadText(), "");
}

TEST(ValueReaderTest, BoolIsTrueOnlyFor09AndNeverRefused) {
    const Bytes file = {0x09, 0x08, 0x00, 0x02, 0x05, 0xFF, 0x0C, 0x09};
    MemorySource source(file);
    ValueReader reader(source);
    const bool expected[] = {true, false, false, false, false, false, false, true};
    for (bool e : expected) EXPECT_EQ(reader.ReadBool(), e);
    EXPECT_EQ(FailureOf([&] { reader.ReadBool(); }), "Stream-Lesefehler");
}

TEST(ValueReaderTest, FloatsAcceptIntegerTags) {
    Extended80 odd;  // a pseudo-NaN keeps its exact bytes through ReadFloatRaw
    odd.bytes = {1, 2, 3, 4, 5, 6, 7, 0x00, 0xFF, 0x7F};
    const Bytes file = {0x05, 1,    2,    3,    4,    5,    6,    7,    0x00, 0xFF,
                        0x7F, 0x02, 0xFF, 0x03, 0x00, 0x80, 0x04, 0x40, 0x9C, 0x00,
                        0x00, 0x13, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
                        0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x05,
                        0,    0,    0,    0,    0,    0,    0,    0x80, 0xFF, 0x3F};
    MemorySource source(file);
    ValueReader reader(source);
    EXPECT_EQ(reader.ReadFloatRaw(), odd);
    EXPECT_EQ(reader.ReadFloat(), -1.0L);
    EXPECT_EQ(reader.ReadFloat(), -32768.0L);
    EXPECT_EQ(reader.ReadFloat(), 40000.0L);
    EXPECT_EQ(reader.ReadFloat(), std::ldexp(1.0L, 40));
    EXPECT_EQ(reader.ReadFloatRaw(), Extended80::FromInteger(INT64_MAX));
    EXPECT_EQ(reader.ReadFloat(), 1.0L);
}

TEST(ValueReaderTest, WrongTagsAreInvalidValues) {
    const auto failure = [](Bytes bytes, const std::function<void(ValueReader&)>& read) {
        MemorySource source(bytes);
        ValueReader reader(source);
        return FailureOf([&] { read(reader); });
    };
    const std::string invalid = "Ungültiger Eigenschaftswert";
    for (std::uint8_t tag : {0x00, 0x05, 0x06, 0x08, 0x09, 0x0C, 0x13, 0x14, 0xFF}) {
        EXPECT_EQ(failure({tag, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, [](auto& r) { r.ReadInt(); }),
                  invalid)
            << int{tag};
    }
    for (std::uint8_t tag : {0x00, 0x02, 0x03, 0x04, 0x05, 0x08, 0x09, 0x13, 0xFF}) {
        EXPECT_EQ(failure({tag, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, [](auto& r) { r.ReadText(); }),
                  invalid)
            << int{tag};
    }
    for (std::uint8_t tag : {0x00, 0x06, 0x08, 0x09, 0x0C, 0x12, 0x14, 0xFF}) {
        EXPECT_EQ(failure({tag, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, [](auto& r) { r.ReadFloat(); }),
                  invalid)
            << int{tag};
    }
    // An Id in the 64-bit form must be one that the 32-bit form cannot hold.
    EXPECT_EQ(failure({0x13, 5, 0, 0, 0, 0, 0, 0, 0}, [](auto& r) { r.ReadId(); }), invalid);
    EXPECT_EQ(failure({0x13, 0, 0, 0, 0, 1, 0, 0, 0}, [](auto& r) { r.ReadId(); }), invalid);
    EXPECT_EQ(failure({0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                      [](auto& r) { r.ReadId(); }),
              invalid);
}

TEST(ValueReaderTest, InputCutAnywhereIsAReadError) {
    const Bytes file = WriteSamples();
    // Every cut within the first few values, then a sample of cuts through the rest.
    for (std::size_t cut = 0; cut < file.size(); cut += (cut < 3000 ? 1 : 997)) {
        const Bytes part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
        MemorySource source(part);
        ValueReader reader(source);
        EXPECT_EQ(FailureOf([&] {
                      for (std::size_t i = 0; i < Samples().size(); ++i) {
                          reader.ReadInt();
                          reader.ReadId();
                          reader.ReadText();
                          reader.ReadBool();
                          reader.ReadFloat();
                      }
                  }),
                  "Stream-Lesefehler")
            << cut;
    }
}

TEST(ValueReaderTest, ADeclaredLengthBeyondTheInputFailsWithoutAllocating) {
    const Bytes claims[] = {
        {0x0C, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b'}, {0x14, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'},
        {0x12, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b'}, {0x06, 0xFF, 'a', 'b'},
        {0x0C, 0x03, 0x00, 0x00, 0x00, 'a', 'b'},  // one byte short
    };
    for (const Bytes& claim : claims) {
        MemorySource source(claim);
        ValueReader reader(source);
        EXPECT_EQ(reader.Remaining(), claim.size());
        largestAllocation = 0;
        EXPECT_EQ(FailureOf([&] { reader.ReadText(); }), "Stream-Lesefehler") << int{claim[0]};
        EXPECT_LT(largestAllocation.load(), 1024u) << int{claim[0]};
    }
    // Without a known size the text grows only as far as bytes really arrive.
    TrickleSource source({0x14, 0x00, 0x00, 0x00, 0x40, 'a', 'b', 'c'});  // claims 1 GiB
    ValueReader reader(source);
    largestAllocation = 0;
    EXPECT_EQ(FailureOf([&] { reader.ReadText(); }), "Stream-Lesefehler");
    EXPECT_LT(largestAllocation.load(), 256u * 1024u);
}

TEST(ValueReaderTest, RemainingCountsBufferedAndUnreadBytes) {
    MemorySink sink;
    ValueWriter writer(sink);
    for (int i = 0; i < 1500; ++i) writer.WriteInt(1000 + i);  // 3 bytes each
    writer.Finish();
    MemorySource source(sink.Bytes());
    ValueReader reader(source);
    for (int i = 0; i < 1500; ++i) {
        ASSERT_EQ(reader.Remaining(), 3u * (1500 - i));
        ASSERT_EQ(reader.ReadInt(), 1000 + i);
    }
    EXPECT_EQ(reader.Remaining(), 0u);
    EXPECT_EQ(FailureOf([&] { reader.ReadInt(); }), "Stream-Lesefehler");
}

TEST(ValueReaderTest, FilesReadThroughDescriptorsAndStreams) {
    char path[] = "/tmp/rangwerk-values-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    {
        FdSink sink(fd);
        ValueWriter writer(sink);
        writer.WriteText("Urlaub");
        writer.WriteInt(40000);
        writer.Finish();
    }
    ASSERT_EQ(::lseek(fd, 0, SEEK_SET), 0);
    {
        FdSource source(fd);
        ValueReader reader(source);
        EXPECT_EQ(reader.Remaining(), 13u);
        EXPECT_EQ(reader.ReadText(), "Urlaub");
        EXPECT_EQ(reader.Remaining(), 5u);
        EXPECT_EQ(reader.ReadInt(), 40000);
        EXPECT_EQ(FailureOf([&] { reader.ReadBool(); }), "Stream-Lesefehler");
    }
    ::close(fd);

    std::FILE* file = std::fopen(path, "rb");
    ASSERT_NE(file, nullptr);
    {
        FileSource source(file);
        ValueReader reader(source);
        EXPECT_EQ(reader.Remaining(), 13u);
        EXPECT_EQ(reader.ReadText(), "Urlaub");
        EXPECT_EQ(reader.ReadInt(), 40000);
        EXPECT_EQ(reader.Remaining(), 0u);
    }
    std::fclose(file);
    ::unlink(path);
}

}  // namespace
}  // namespace rangwerk
