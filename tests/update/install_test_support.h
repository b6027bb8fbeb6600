#pragma once
// Helpers of the installation tests: files, ZIP archives made with libzip, throwaway keys.
#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "update/update_signing.h"

namespace rangwerk::install_test {

namespace fs = std::filesystem;

inline std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct Entry {
    std::string name;
    std::string data;
    bool symbolicLink = false;
    bool stored = false;  // not compressed
};

// The release manifest a maker puts into the archive.
inline Entry ReleaseManifest(const std::string& date) {
    return {"Release.ini", "[Release]\r\nDate=" + date + "\r\n"};
}
// A release later than any this program is built with.
inline Entry NewerRelease() {
    return ReleaseManifest("9999-12-31");
}

// Writes a ZIP archive with libzip.
inline void MakeZip(const fs::path& path, const std::vector<Entry>& entries) {
    int error = 0;
    zip_t* archive = zip_open(path.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    for (const Entry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
        ASSERT_NE(source, nullptr);
        const zip_int64_t index =
            zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
        ASSERT_GE(index, 0) << zip_strerror(archive);
        if (entry.stored) {
            ASSERT_EQ(zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                               ZIP_CM_STORE, 0),
                      0);
        }
        if (entry.symbolicLink) {
            ASSERT_EQ(zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0,
                                                       ZIP_OPSYS_UNIX, 0120777u << 16),
                      0);
        }
    }
    ASSERT_EQ(zip_close(archive), 0);
}

}  // namespace rangwerk::install_test
