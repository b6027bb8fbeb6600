#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace rangwerk {

// The reminder choice as the wizard's settings page shows and stores it.
struct ReminderChoice {
    bool neverRemind = false;  // "NoUpdate" present
    int intervalDays = 28;     // the number field, 1 to 365
};

// The number field of the settings page takes whole numbers from 1 to 365.
inline constexpr int kMinIntervalDays = 1;
inline constexpr int kMaxIntervalDays = 365;

// What the settings page shows for the key: "NoUpdate" present selects "never"; the field shows
// "UpdateInterval" brought into 1..365 (a stored 0 shows 1), or 28 when it is missing or not a
// 32-bit integer value.
ReminderChoice ReadReminderChoice(const RegistryKey& key);

// The field's text as a number: a whole number is brought into 1..365, any other text
// (empty, letters, a fraction) counts as 1.
int IntervalFromFieldText(const std::string& text);

// Stores the choice: "never" deletes "UpdateInterval" and writes "NoUpdate" as an empty string;
// otherwise "NoUpdate" is deleted and "UpdateInterval" written as a 32-bit integer.
// Throws RegistryError when the key cannot be written.
void WriteReminderChoice(RegistryKey& key, const ReminderChoice& choice);

}  // namespace rangwerk
