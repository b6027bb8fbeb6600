#include "update/reminder.h"

#include <bit>

#include "platform/file_times.h"

namespace rangwerk {

RegistryRoot UpdateSettingsKey::Root() const {
    return hkcu ? RegistryRoot::CurrentUser : RegistryRoot::LocalMachine;
}

std::string UpdateSettingsKey::Path() const {
    return std::string(kQuarvSettingsParent) + "\\" + registryKey;
}

std::unique_ptr<RegistryKey> UpdateSettingsKey::Open(Registry& registry) const {
    return registry.OpenKey(Root(), Path());
}

std::vector<std::uint8_t> EncodeReminderDate(double dayCount) {
    const auto bits = std::bit_cast<std::uint64_t>(dayCount);
    std::vector<std::uint8_t> bytes(8);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
    return bytes;
}

std::optional<double> DecodeReminderDate(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() != 8)
        return std::nullopt;
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bits |= std::uint64_t{bytes[i]} << (8 * i);
    }
    return std::bit_cast<double>(bits);
}

std::optional<double> ReadReminderDate(const RegistryKey& key) {
    const auto bytes = key.ReadBinary(kValueUpdate);
    if (!bytes)
        return std::nullopt;
    return DecodeReminderDate(*bytes);
}

std::optional<std::int32_t> ReadStoredInterval(const RegistryKey& key) {
    const auto stored = key.ReadDword(kValueUpdateInterval);
    if (!stored)
        return std::nullopt;
    return static_cast<std::int32_t>(*stored);
}

std::int32_t ReminderInterval(const RegistryKey& key) {
    const auto stored = ReadStoredInterval(key);
    return stored && *stored >= 1 ? *stored : kDefaultReminderInterval;
}

void RenewReminder(Registry& registry, const UpdateSettingsKey& settings, double today) {
    auto key = settings.Open(registry);
    const double next = today + static_cast<double>(ReminderInterval(*key)) - 1.0;
    key->WriteBinary(kValueUpdate, EncodeReminderDate(next));
}

void RenewReminder(Registry& registry, const UpdateSettingsKey& settings) {
    RenewReminder(registry, settings, LocalToday());
}

}  // namespace rangwerk
