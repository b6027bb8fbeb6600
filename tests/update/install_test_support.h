#pragma once
// Helpers of the installation tests: files, ZIP archives made with libzip, throwaway keys.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/sha.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

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

// Writes a ZIP archive with libzip.
inline void MakeZip(const fs::path& path, const std::vector<Entry>& entries) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
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

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;

// A throwaway Ed25519 key pair, made for this run only.
inline Key MakeKey() {
    EVP_PKEY* key = nullptr;
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
    EXPECT_NE(ctx, nullptr);
    EXPECT_EQ(EVP_PKEY_keygen_init(ctx), 1);
    EXPECT_EQ(EVP_PKEY_keygen(ctx, &key), 1);
    EVP_PKEY_CTX_free(ctx);
    return Key(key);
}

inline std::string PublicPem(EVP_PKEY* key) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PUBKEY(bio, key);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(length));
    BIO_free(bio);
    return pem;
}

// What the maker does: the Ed25519 signature of the file's SHA-512 digest.
inline std::string Sign(EVP_PKEY* key, const std::string& bytes) {
    unsigned char digest[SHA512_DIGEST_LENGTH];
    SHA512(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EXPECT_EQ(EVP_DigestSignInit(ctx, nullptr, nullptr, nullptr, key), 1);
    unsigned char signature[64];
    std::size_t length = sizeof signature;
    EXPECT_EQ(EVP_DigestSign(ctx, signature, &length, digest, sizeof digest), 1);
    EVP_MD_CTX_free(ctx);
    return std::string(reinterpret_cast<char*>(signature), length);
}

}  // namespace rangwerk::install_test
