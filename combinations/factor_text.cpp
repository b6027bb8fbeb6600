#include "combinations/factor_text.h"

#include "combinations/combination_model.h"

namespace rangwerk {

std::int32_t FactorFromText(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return kMinFactor;
    // Any number of digits: everything beyond the range ends up at its nearer end.
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return kMinFactor;
        if (value <= kMaxFactor)
            value = value * 10 + (c - '0');
    }
    if (negative)
        return kMinFactor;
    if (value < kMinFactor)
        return kMinFactor;
    if (value > kMaxFactor)
        return kMaxFactor;
    return static_cast<std::int32_t>(value);
}

}  // namespace rangwerk
