#pragma once
// Signing as the maker does it, for the tests of signed updates (with GoogleTest or Qt Test):
// throwaway Ed25519 keys and signatures. A step that fails throws.
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/sha.h>

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>

namespace rangwerk::install_test {

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;

// A throwaway Ed25519 key pair, made for this run only.
inline Key MakeKey() {
    EVP_PKEY* key = nullptr;
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
    const bool made =
        ctx != nullptr && EVP_PKEY_keygen_init(ctx) == 1 && EVP_PKEY_keygen(ctx, &key) == 1;
    EVP_PKEY_CTX_free(ctx);
    if (!made)
        throw std::runtime_error("no Ed25519 key");
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
    unsigned char signature[64];
    std::size_t length = sizeof signature;
    const bool made = EVP_DigestSignInit(ctx, nullptr, nullptr, nullptr, key) == 1 &&
                      EVP_DigestSign(ctx, signature, &length, digest, sizeof digest) == 1;
    EVP_MD_CTX_free(ctx);
    if (!made)
        throw std::runtime_error("no Ed25519 signature");
    return std::string(reinterpret_cast<char*>(signature), length);
}

}  // namespace rangwerk::install_test
