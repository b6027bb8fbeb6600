#include "project_json.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <set>

namespace rangwerk::opt {
namespace {

using nlohmann::json;
using nlohmann::ordered_json;

constexpr char kHexDigits[] = "0123456789abcdef";

std::string HexOf(const Extended80& value) {
    std::string hex;
    for (std::uint8_t byte : value.bytes) {
        hex.push_back(kHexDigits[byte >> 4]);
        hex.push_back(kHexDigits[byte & 0x0F]);
    }
    return hex;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

[[noreturn]] void Refuse(const std::string& where, const std::string& what) {
    throw JsonShapeError(where + ": " + what);
}

// An object whose keys are taken one by one; Finish refuses the keys nobody asked for.
class ObjectReader {
public:
    ObjectReader(const json& value, std::string where) : value_(value), where_(std::move(where)) {
        if (!value_.is_object())
            Refuse(Name(), "expected an object");
    }

    bool Has(const std::string& key) const { return value_.contains(key); }

    const json& Get(const std::string& key) {
        const auto it = value_.find(key);
        if (it == value_.end())
            Refuse(Name(), "missing key \"" + key + "\"");
        used_.insert(key);
        return *it;
    }

    std::string Path(const std::string& key) const {
        return where_.empty() ? key : where_ + "." + key;
    }

    std::int64_t Integer(const std::string& key, std::int64_t min, std::int64_t max) {
        const json& v = Get(key);
        const std::string path = Path(key);
        if (!v.is_number_integer())
            Refuse(path, "expected an integer");
        if (v.is_number_unsigned()) {
            const auto u = v.get<std::uint64_t>();
            if (u > static_cast<std::uint64_t>(max))
                Refuse(path, RangeText(min, max));
            return static_cast<std::int64_t>(u);
        }
        const auto i = v.get<std::int64_t>();
        if (i < min || i > max)
            Refuse(path, RangeText(min, max));
        return i;
    }

    std::int32_t Int(const std::string& key) {
        return static_cast<std::int32_t>(Integer(key, std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
    }

    std::uint32_t Id(const std::string& key) {
        return static_cast<std::uint32_t>(
            Integer(key, 0, std::numeric_limits<std::uint32_t>::max()));
    }

    bool Bool(const std::string& key) {
        const json& v = Get(key);
        if (!v.is_boolean())
            Refuse(Path(key), "expected true or false");
        return v.get<bool>();
    }

    std::string Text(const std::string& key) {
        const json& v = Get(key);
        if (!v.is_string())
            Refuse(Path(key), "expected a string");
        return v.get<std::string>();
    }

    const json& Array(const std::string& key) {
        const json& v = Get(key);
        if (!v.is_array())
            Refuse(Path(key), "expected an array");
        return v;
    }

    void Finish() const {
        for (const auto& item : value_.items()) {
            if (!used_.count(item.key()))
                Refuse(Name(), "unknown key \"" + item.key() + "\"");
        }
    }

private:
    std::string Name() const { return where_.empty() ? "project" : where_; }

    static std::string RangeText(std::int64_t min, std::int64_t max) {
        return "expected an integer from " + std::to_string(min) + " to " + std::to_string(max);
    }

    const json& value_;
    std::string where_;
    std::set<std::string> used_;
};

std::string Indexed(const std::string& path, std::size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

}  // namespace

ordered_json ExtendedToJson(const Extended80& value) {
    const double number = value.ToDouble();
    if (std::isfinite(number) && Extended80::FromDouble(number) == value)
        return number;
    return HexOf(value);
}

Extended80 ExtendedFromJson(const json& value, const std::string& where) {
    if (value.is_number_integer() && !value.is_number_unsigned()) {
        return Extended80::FromInteger(value.get<std::int64_t>());
    }
    if (value.is_number_unsigned()) {
        const auto u = value.get<std::uint64_t>();
        if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return Extended80::FromInteger(static_cast<std::int64_t>(u));
        }
        return Extended80::FromLongDouble(static_cast<long double>(u));
    }
    if (value.is_number_float())
        return Extended80::FromDouble(value.get<double>());
    if (value.is_string()) {
        const std::string& hex = value.get_ref<const std::string&>();
        Extended80 result;
        if (hex.size() != 2 * result.bytes.size()) {
            Refuse(where, "expected a number or twenty hex digits");
        }
        for (std::size_t i = 0; i < result.bytes.size(); ++i) {
            const int high = HexValue(hex[2 * i]);
            const int low = HexValue(hex[2 * i + 1]);
            if (high < 0 || low < 0)
                Refuse(where, "expected a number or twenty hex digits");
            result.bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
        }
        return result;
    }
    Refuse(where, "expected a number or twenty hex digits");
}

ordered_json ProjectToJson(const ProjectData& d) {
    ordered_json out;
    out["page"] = d.mainPage;
    out["options"] = ordered_json::array();
    for (const StoredOption& o : d.options) {
        ordered_json option;
        option["name"] = o.name;
        option["info"] = o.info;
        option["id"] = o.id;
        option["results"] = ordered_json::array();
        for (const ResultEntry& e : o.results) {
            ordered_json entry;
            entry["opponentId"] = e.opponentId;
            entry["outcome"] = e.outcome;
            entry["decided"] = e.decided;
            option["results"].push_back(std::move(entry));
        }
        out["options"].push_back(std::move(option));
    }
    out["superior"] = d.superior;
    out["equal"] = d.tie;
    out["inferior"] = d.inferior;
    out["queryOrder"] = d.queryOrder;
    out["liveScore"] = d.liveScore;
    if (d.firstIndex)
        out["firstIndex"] = *d.firstIndex;
    if (d.secondIndex)
        out["secondIndex"] = *d.secondIndex;
    out["combinations"] = ordered_json::array();
    for (const StoredCombination& c : d.combinations) {
        ordered_json combination;
        combination["name"] = c.name;
        combination["result"] = ExtendedToJson(c.result);
        combination["members"] = ordered_json::array();
        for (const StoredMember& m : c.members) {
            ordered_json member;
            member["optionId"] = m.optionId;
            member["factor"] = m.factor;
            combination["members"].push_back(std::move(member));
        }
        out["combinations"].push_back(std::move(combination));
    }
    out["combinationsPage"] = d.combinationsPage;
    out["combinationsOpen"] = d.combinationsOpen;
    return out;
}

ProjectData ProjectFromJson(const json& value) {
    ProjectData d;
    ObjectReader top(value, "");
    d.mainPage = top.Int("page");

    const json& options = top.Array("options");
    for (std::size_t i = 0; i < options.size(); ++i) {
        ObjectReader in(options[i], Indexed("options", i));
        StoredOption o;
        o.name = in.Text("name");
        o.info = in.Text("info");
        o.id = in.Id("id");
        const json& results = in.Array("results");
        for (std::size_t k = 0; k < results.size(); ++k) {
            ObjectReader entry(results[k], Indexed(in.Path("results"), k));
            ResultEntry e;
            e.opponentId = entry.Id("opponentId");
            e.outcome = entry.Int("outcome");
            e.decided = entry.Bool("decided");
            entry.Finish();
            o.results.push_back(e);
        }
        in.Finish();
        d.options.push_back(std::move(o));
    }

    d.superior = top.Int("superior");
    d.tie = top.Int("equal");
    d.inferior = top.Int("inferior");
    d.queryOrder = top.Int("queryOrder");
    d.liveScore = top.Bool("liveScore");
    // The pair is stored exactly when the main page is greater than 2; a pair given for
    // another page would be silently lost, so it is refused as well.
    if (d.mainPage > 2) {
        d.firstIndex = top.Int("firstIndex");
        d.secondIndex = top.Int("secondIndex");
    } else {
        for (const char* key : {"firstIndex", "secondIndex"}) {
            if (top.Has(key))
                Refuse(key, "only stored when \"page\" is greater than 2");
        }
    }

    const json& combinations = top.Array("combinations");
    for (std::size_t i = 0; i < combinations.size(); ++i) {
        ObjectReader in(combinations[i], Indexed("combinations", i));
        StoredCombination c;
        c.name = in.Text("name");
        c.result = ExtendedFromJson(in.Get("result"), in.Path("result"));
        const json& members = in.Array("members");
        for (std::size_t k = 0; k < members.size(); ++k) {
            ObjectReader member(members[k], Indexed(in.Path("members"), k));
            StoredMember m;
            m.optionId = member.Id("optionId");
            m.factor = member.Id("factor");
            member.Finish();
            c.members.push_back(m);
        }
        in.Finish();
        d.combinations.push_back(std::move(c));
    }
    d.combinationsPage = top.Int("combinationsPage");
    d.combinationsOpen = top.Bool("combinationsOpen");
    top.Finish();
    return d;
}

}  // namespace rangwerk::opt
