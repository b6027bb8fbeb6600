// Reads a sequence of project file values chosen by the input, then writes every value read
// back out and reads it again: the second reading must give the very same values. The first
// input byte says how many of the following bytes choose the kinds; the rest is the stream.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "base/failure.h"
#include "base/text.h"
#include "project/value_reader.h"
#include "project/value_writer.h"

namespace {

using rangwerk::Extended80;
using rangwerk::ValueReader;
using rangwerk::ValueWriter;

enum class Kind { Int, Id, Text, Bool, Float, FloatRaw };

struct Value {
    Kind kind = Kind::Int;
    std::int64_t number = 0;
    std::string text;
    Extended80 real;
};

void Check(bool condition) {
    if (!condition)
        std::abort();
}

Value ReadOne(ValueReader& reader, Kind kind) {
    Value value;
    value.kind = kind;
    switch (kind) {
        case Kind::Int:
            value.number = reader.ReadInt();
            break;
        case Kind::Id:
            value.number = reader.ReadId();
            break;
        case Kind::Text:
            value.text = reader.ReadText();
            break;
        case Kind::Bool:
            value.number = reader.ReadBool() ? 1 : 0;
            break;
        case Kind::Float:
            value.real = Extended80::FromLongDouble(reader.ReadFloat());
            break;
        case Kind::FloatRaw:
            value.real = reader.ReadFloatRaw();
            break;
    }
    return value;
}

void WriteOne(ValueWriter& writer, const Value& value) {
    switch (value.kind) {
        case Kind::Int:
            writer.WriteInt(static_cast<std::int32_t>(value.number));
            break;
        case Kind::Id:
            writer.WriteId(static_cast<std::uint32_t>(value.number));
            break;
        case Kind::Text:
            writer.WriteText(value.text);
            break;
        case Kind::Bool:
            writer.WriteBool(value.number != 0);
            break;
        case Kind::Float:
            writer.WriteFloat(value.real.ToLongDouble());
            break;
        case Kind::FloatRaw:
            writer.WriteFloatRaw(value.real);
            break;
    }
}

bool Same(const Value& a, const Value& b) {
    return a.kind == b.kind && a.number == b.number && a.text == b.text && a.real == b.real;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t choiceCount = std::min<std::size_t>(data[0], size - 1);
    const std::span<const std::uint8_t> choices(data + 1, choiceCount);
    const std::span<const std::uint8_t> stream(data + 1 + choiceCount, size - 1 - choiceCount);

    rangwerk::MemorySource source(stream);
    ValueReader reader(source);
    std::vector<Value> values;
    for (std::uint8_t choice : choices) {
        const auto kind = static_cast<Kind>(choice % 6);
        const std::uint64_t before = reader.Remaining();
        Check(before <= stream.size());
        try {
            values.push_back(ReadOne(reader, kind));
        } catch (const rangwerk::Failure& failure) {
            const std::string message = failure.what();
            Check(message == "Stream-Lesefehler" || message == "Ungültiger Eigenschaftswert");
            break;
        }
        Check(reader.Remaining() < before);  // every value takes at least its tag byte
        const Value& read = values.back();
        if (kind == Kind::Text) {
            Check(rangwerk::EncodeUtf8(rangwerk::DecodeUtf8(read.text)) == read.text);
        }
        if (kind == Kind::Id)
            Check(read.number >= 0 && read.number <= 0xFFFFFFFFLL);
    }

    rangwerk::MemorySink sink;
    ValueWriter writer(sink);
    for (const Value& value : values) WriteOne(writer, value);
    writer.Finish();

    rangwerk::MemorySource again(sink.Bytes());
    ValueReader rereader(again);
    for (const Value& value : values) Check(Same(ReadOne(rereader, value.kind), value));
    Check(rereader.Remaining() == 0);
    return 0;
}
