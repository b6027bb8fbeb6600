#pragma once

// The contents of Rangwerk's own version record. The Windows build states the same values in
// rangwerk.rc; the other builds embed the record written from these values in the program file's
// section RANGWERK_VERSION_SECTION (see version_record_section.cpp).

#include <string_view>

#include "app/version_record_format.h"

#define RANGWERK_VERSION_SECTION ".rangwerk_version"

namespace rangwerk {

inline constexpr std::string_view kVersionRecordSectionName = RANGWERK_VERSION_SECTION;

inline constexpr VersionString kProgramVersionStrings[] = {
    {"CompanyName", "Quarv-Software"},
    {"FileDescription", "Rangwerk"},
    {"FileVersion", "1.0.0.0"},
    {"InternalName", ""},
    {"LegalCopyright", "Copyright \xC2\xA9 2004 Quarv-Software"},
    {"LegalTrademarks", ""},
    {"OriginalFilename", "RANKO.EXE"},
    {"ProductName", "Rangwerk"},
    {"ProductVersion", "1.0.0.0"},
    {"Comments", ""},
};

// German (0x0407) with code page 1252.
inline constexpr VersionTranslation kProgramTranslations[] = {{0x0407, 1252}};

inline constexpr VersionRecordContent kProgramVersionRecord{
    .fixed = {.fileVersionMs = 0x00010000u,
              .fileVersionLs = 0,
              .productVersionMs = 0x00010000u,
              .productVersionLs = 0},
    .stringTableKey = "040704E4",
    .strings = kProgramVersionStrings,
    .translations = kProgramTranslations,
};

}  // namespace rangwerk
