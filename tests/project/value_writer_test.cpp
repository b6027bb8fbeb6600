#include "project/value_writer.h"

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/failure.h"

namespace rangwerk {
namespace {

using Bytes = std::vector<std::uint8_t>;

template <typename Write>
Bytes Written(Write write) {
    MemorySink sink;
    ValueWriter writer(sink);
    write(writer);
    writer.Finish();
    return sink.Bytes();
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes Ascii(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Accepts a number of bytes, then fails like a full disk; records every write it was given.
class LimitedSink : public ByteSink {
public:
    explicit LimitedSink(std::size_t capacity) : capacity_(capacity) {}
    void Write(const std::uint8_t* data, std::size_t size) override {
        writes.push_back(size);
        if (received.size() + size > capacity_)
            throw Failure("Stream-Schreibfehler");
        received.insert(received.end(), data, data + size);
    }
    std::vector<std::size_t> writes;
    Bytes received;

private:
    std::size_t capacity_;
};

void ExpectWriteError(const std::function<void()>& action) {
    try {
        action();
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_STREQ(failure.what(), "Stream-Schreibfehler");
    }
}

TEST(ValueWriterTest, IntegersTakeTheSmallestTag) {
    const auto in = [](std::int32_t v) { return Written([&](ValueWriter& w) { w.WriteInt(v); }); };
    EXPECT_EQ(in(127), (Bytes{0x02, 0x7F}));
    EXPECT_EQ(in(128), (Bytes{0x03, 0x80, 0x00}));
    EXPECT_EQ(in(-1), (Bytes{0x02, 0xFF}));
    EXPECT_EQ(in(-128), (Bytes{0x02, 0x80}));
    EXPECT_EQ(in(-129), (Bytes{0x03, 0x7F, 0xFF}));
    EXPECT_EQ(in(32767), (Bytes{0x03, 0xFF, 0x7F}));
    EXPECT_EQ(in(-32768), (Bytes{0x03, 0x00, 0x80}));
    EXPECT_EQ(in(32768), (Bytes{0x04, 0x00, 0x80, 0x00, 0x00}));
    EXPECT_EQ(in(-32769), (Bytes{0x04, 0xFF, 0x7F, 0xFF, 0xFF}));
    EXPECT_EQ(in(40000), (Bytes{0x04, 0x40, 0x9C, 0x00, 0x00}));
    EXPECT_EQ(in(INT32_MIN), (Bytes{0x04, 0x00, 0x00, 0x00, 0x80}));

    const auto id = [](std::uint32_t v) { return Written([&](ValueWriter& w) { w.WriteId(v); }); };
    EXPECT_EQ(id(5), (Bytes{0x02, 0x05}));
    EXPECT_EQ(id(200), (Bytes{0x03, 0xC8, 0x00}));
    EXPECT_EQ(id(2147483647u), (Bytes{0x04, 0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(id(2147483648u), (Bytes{0x13, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(id(4294967295u), (Bytes{0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}));
}

TEST(ValueWriterTest, TextsAreShortLongOrUtf8) {
    const auto text = [](const std::string& t) {
        return Written([&](ValueWriter& w) { w.WriteText(t); });
    };
    EXPECT_EQ(text("Apfel"), (Bytes{0x06, 0x05, 0x41, 0x70, 0x66, 0x65, 0x6C}));
    EXPECT_EQ(text(""), (Bytes{0x06, 0x00}));
    EXPECT_EQ(text("Bär"), (Bytes{0x14, 0x04, 0x00, 0x00, 0x00, 0x42, 0xC3, 0xA4, 0x72}));
    // The euro sign is in Windows-1252 (0x80), yet its UTF-8 form differs.
    EXPECT_EQ(text("€"), (Bytes{0x14, 0x03, 0x00, 0x00, 0x00, 0xE2, 0x82, 0xAC}));
    EXPECT_EQ(text("Ω"), (Bytes{0x14, 0x02, 0x00, 0x00, 0x00, 0xCE, 0xA9}));
    // A malformed byte goes out as U+FFFD, so that the file holds valid UTF-8.
    EXPECT_EQ(text("a\xFF"), (Bytes{0x14, 0x04, 0x00, 0x00, 0x00, 0x61, 0xEF, 0xBF, 0xBD}));

    const std::string s255(255, 'x');
    EXPECT_EQ(text(s255), Concat({{0x06, 0xFF}, Ascii(s255)}));
    const std::string s256(256, 'y');
    EXPECT_EQ(text(s256), Concat({{0x0C, 0x00, 0x01, 0x00, 0x00}, Ascii(s256)}));
    const std::string s300(300, 'z');
    EXPECT_EQ(text(s300), Concat({{0x0C, 0x2C, 0x01, 0x00, 0x00}, Ascii(s300)}));
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(text(withNul), (Bytes{0x06, 0x03, 'a', 0x00, 'b'}));
}

TEST(ValueWriterTest, BoolsAndFloats) {
    EXPECT_EQ(Written([](ValueWriter& w) {
                  w.WriteBool(true);
                  w.WriteBool(false);
              }),
              (Bytes{0x09, 0x08}));
    EXPECT_EQ(Written([](ValueWriter& w) { w.WriteFloat(1.0L); }),
              (Bytes{0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
    Bytes zero(11, 0x00);
    zero[0] = 0x05;
    EXPECT_EQ(Written([](ValueWriter& w) { w.WriteFloat(0.0L); }), zero);
    Extended80 odd;  // a pseudo-NaN, written as it is
    odd.bytes = {1, 2, 3, 4, 5, 6, 7, 0x00, 0xFF, 0x7F};
    EXPECT_EQ(Written([&](ValueWriter& w) { w.WriteFloatRaw(odd); }),
              (Bytes{0x05, 1, 2, 3, 4, 5, 6, 7, 0x00, 0xFF, 0x7F}));
}

TEST(ValueWriterTest, AnEmptyProjectOnPageOneIsEighteenBytes) {
    const Bytes file = Written([](ValueWriter& w) {
        w.WriteInt(1);  // main page
        w.WriteInt(0);  // no options
        w.WriteInt(1);  // points: superior, tie, inferior
        w.WriteInt(0);
        w.WriteInt(-1);
        w.WriteInt(-1);  // no query order
        w.WriteBool(false);
        w.WriteInt(0);  // no combinations
        w.WriteInt(0);  // combinations page
        w.WriteBool(false);
    });
    EXPECT_EQ(file, (Bytes{0x02, 0x01, 0x02, 0x00, 0x02, 0x01, 0x02, 0x00, 0x02, 0xFF, 0x02, 0xFF,
                           0x08, 0x02, 0x00, 0x02, 0x00, 0x08}));
}

TEST(ValueWriterTest, OutputIsHeldInA2048ByteBufferUntilFinish) {
    LimitedSink sink(1 << 20);
    ValueWriter writer(sink);
    for (int i = 0; i < 1023; ++i) writer.WriteInt(i % 100);  // 2046 bytes
    EXPECT_TRUE(sink.writes.empty());
    writer.WriteInt(40000);  // spans the end of the buffer
    ASSERT_EQ(sink.writes, (std::vector<std::size_t>{2048}));
    const std::string big(5000, 'q');
    writer.WriteText(big);
    writer.Finish();
    EXPECT_EQ(sink.writes, (std::vector<std::size_t>{2048, 2048, 2048, 7056 - 3 * 2048}));
    ASSERT_EQ(sink.received.size(), 2046u + 5 + 5005);
    EXPECT_EQ(Bytes(sink.received.begin() + 2046, sink.received.begin() + 2051),
              (Bytes{0x04, 0x40, 0x9C, 0x00, 0x00}));
    EXPECT_EQ(sink.received.back(), 'q');
}

TEST(ValueWriterTest, AFailingSinkIsAWriteError) {
    {
        // The failure shows when the buffer is handed over, and the writer stays failed.
        LimitedSink sink(100);
        ValueWriter writer(sink);
        writer.WriteText(std::string(200, 'a'));
        ExpectWriteError([&] { writer.Finish(); });
        ExpectWriteError([&] { writer.WriteBool(true); });
        ExpectWriteError([&] { writer.Finish(); });
    }
    {
        LimitedSink sink(4096);
        ValueWriter writer(sink);
        ExpectWriteError([&] {
            for (int i = 0; i < 10000; ++i) writer.WriteInt(i);
        });
        EXPECT_EQ(sink.received.size(), 4096u);
    }
    {
        // A destroyed writer that was never finished writes nothing.
        LimitedSink sink(4096);
        {
            ValueWriter writer(sink);
            writer.WriteInt(1);
        }
        EXPECT_TRUE(sink.writes.empty());
    }
}

TEST(ValueWriterTest, AFullDiskIsAWriteErrorForDescriptorsAndStreams) {
    const int fd = ::open("/dev/full", O_WRONLY);
    if (fd < 0)
        GTEST_SKIP() << "no /dev/full";
    {
        FdSink sink(fd);
        ValueWriter writer(sink);
        writer.WriteText("Apfel");
        ExpectWriteError([&] { writer.Finish(); });
    }
    ::close(fd);

    std::FILE* file = std::fopen("/dev/full", "wb");
    ASSERT_NE(file, nullptr);
    {
        // The C stream buffers the bytes itself; Finish flushes it, so the error is not lost.
        FileSink sink(file);
        ValueWriter writer(sink);
        writer.WriteText("Apfel");
        ExpectWriteError([&] { writer.Finish(); });
    }
    std::fclose(file);
}

TEST(ValueWriter, EntriesAreTheirThreeValues) {
    // Every id form, outcome form and flag, from every position in the buffer, so that the
    // entries also straddle the buffer's end.
    std::vector<ResultEntry> entries;
    for (std::uint32_t id : {0u, 127u, 128u, 32767u, 32768u, 2147483647u, 2147483648u}) {
        for (std::int32_t outcome : {-1, 0, 1, 300, -129}) {
            for (bool decided : {false, true}) entries.push_back({id, outcome, decided});
        }
    }
    // A long run of the common forms, across several buffers.
    for (std::uint32_t id = 0; id < 1000; ++id) {
        entries.push_back({id, static_cast<std::int32_t>(id % 3) - 1, id % 4 != 0});
    }
    for (std::size_t lead = 0; lead < 12; ++lead) {
        const std::string padding(ValueWriter::kBufferSize - 40 + lead, 'x');
        const Bytes fast = Written([&](ValueWriter& w) {
            w.WriteText(padding);
            for (int round = 0; round < 3; ++round) w.WriteEntries(entries.data(), entries.size());
        });
        const Bytes plain = Written([&](ValueWriter& w) {
            w.WriteText(padding);
            for (int round = 0; round < 3; ++round) {
                for (const ResultEntry& e : entries) {
                    w.WriteId(e.opponentId);
                    w.WriteInt(e.outcome);
                    w.WriteBool(e.decided);
                }
            }
        });
        ASSERT_EQ(fast, plain) << lead;
    }
}

}  // namespace
}  // namespace rangwerk
