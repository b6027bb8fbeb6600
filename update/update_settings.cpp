#include "update/update_settings.h"

#include "update/reminder.h"

#include <algorithm>
#include <cstddef>

namespace rangwerk {

namespace {

int Clamp(long long value) {
    return static_cast<int>(std::clamp<long long>(value, kMinIntervalDays, kMaxIntervalDays));
}

}  // namespace

ReminderChoice ReadReminderChoice(const RegistryKey& key) {
    ReminderChoice choice;
    choice.neverRemind = key.ValueExists(kValueNoUpdate);
    if (const auto stored = key.ReadDword(kValueUpdateInterval)) {
        // The value is a signed 32-bit number to the program: 0xFFFFFFFF is -1 and shows 1.
        choice.intervalDays = Clamp(static_cast<std::int32_t>(*stored));
    } else {
        choice.intervalDays = kDefaultReminderInterval;
    }
    return choice;
}

int IntervalFromFieldText(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return kMinIntervalDays;
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return kMinIntervalDays;
        // Anything past the field's range clamps anyway; stop growing before it could overflow.
        value = std::min<long long>(value * 10 + (c - '0'), 1'000'000'000LL);
    }
    return Clamp(negative ? -value : value);
}

void WriteReminderChoice(RegistryKey& key, const ReminderChoice& choice) {
    if (choice.neverRemind) {
        key.DeleteValue(kValueUpdateInterval);
        key.WriteString(kValueNoUpdate, "");
    } else {
        key.DeleteValue(kValueNoUpdate);
        key.WriteDword(kValueUpdateInterval,
                       static_cast<std::uint32_t>(Clamp(choice.intervalDays)));
    }
}

}  // namespace rangwerk
