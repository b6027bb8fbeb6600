#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace rangwerk {

// The maker's programs keep their settings in "Software\Quarv\<RegistryKey>".
inline constexpr char kQuarvSettingsParent[] = "Software\\Quarv";

// Days between two reminders when nothing usable is stored.
inline constexpr std::int32_t kDefaultReminderInterval = 28;

// The names of the update's settings values.
inline constexpr char kValueUpdateInterval[] = "UpdateInterval";
inline constexpr char kValueNoUpdate[] = "NoUpdate";
inline constexpr char kValueUpdate[] = "Update";
inline constexpr char kValueOnlyUpdate[] = "OnlyUpdate";
inline constexpr char kValueApplicationFileName[] = "ApplicationFileName";

// Where the update keeps its settings: below HKEY_LOCAL_MACHINE, or below HKEY_CURRENT_USER when
// `hkcu` is set, in "Software\Quarv\<registryKey>".
struct UpdateSettingsKey {
    std::string registryKey = "Rangwerk";
    bool hkcu = false;

    RegistryRoot Root() const;
    std::string Path() const;
    // Opens the key for full access, creating it when missing. Throws RegistryError.
    std::unique_ptr<RegistryKey> Open(Registry& registry) const;
};

// "Update" holds a day count as the 8 bytes of a little-endian IEEE-754 double.
std::vector<std::uint8_t> EncodeReminderDate(double dayCount);
// Empty unless `bytes` are exactly 8.
std::optional<double> DecodeReminderDate(const std::vector<std::uint8_t>& bytes);

// The reminder date stored as "Update"; empty when it is missing or not 8 bytes of binary data.
std::optional<double> ReadReminderDate(const RegistryKey& key);

// "UpdateInterval" as stored, a signed 32-bit number (0xFFFFFFFF is -1); empty when it is
// missing or not a DWORD.
std::optional<std::int32_t> ReadStoredInterval(const RegistryKey& key);

// The days between reminders: the stored interval when it is at least 1, else 28.
std::int32_t ReminderInterval(const RegistryKey& key);

// Moves the reminder forward at program end: "Update" = today + interval - 1, so that the next
// reminder comes at the first start `interval` days later or after. "NoUpdate" does not stop
// it. `today` is a whole day count (LocalToday in platform/file_times.h).
// Throws RegistryError when the key cannot be opened or written.
void RenewReminder(Registry& registry, const UpdateSettingsKey& settings, double today);
// The same with today's local date.
void RenewReminder(Registry& registry, const UpdateSettingsKey& settings);

}  // namespace rangwerk
