// Puts the program's version record into its own section of the program file, from where
// ReadFileVersion reads it back. Linked into the program as an object file so that the linker
// keeps it although nothing refers to it.

#include <array>
#include <cstddef>
#include <cstdint>

#include "app/program_version_record.h"

#if defined(__has_attribute)
#if __has_attribute(retain)
#define RANGWERK_KEEP_SECTION used, retain
#endif
#endif
#ifndef RANGWERK_KEEP_SECTION
#define RANGWERK_KEEP_SECTION used
#endif

namespace rangwerk {

inline constexpr std::size_t kProgramVersionRecordSize = VersionRecordSize(kProgramVersionRecord);

extern const std::array<std::uint8_t, kProgramVersionRecordSize> programVersionRecord;

alignas(4) __attribute__((RANGWERK_KEEP_SECTION, section(RANGWERK_VERSION_SECTION))) constinit const
    std::array<std::uint8_t, kProgramVersionRecordSize> programVersionRecord =
        VersionRecordArray<kProgramVersionRecordSize>(kProgramVersionRecord);

}  // namespace rangwerk
