#pragma once
// Signing as the maker does it, for the tests of signed updates (with GoogleTest or Qt Test):
// throwaway Ed25519 keys and signatures, made with libgcrypt on every platform. The public key
// is written as "openssl pkey -pubout" writes it, and the signature is the pure Ed25519
// signature of the SHA-512 digest's 64 bytes, as "openssl pkeyutl -sign -rawin" makes it.
// A step that fails throws.
#include <gcrypt.h>

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>

namespace rangwerk::install_test {

// A throwaway Ed25519 key pair.
struct SigningKey {
    gcry_sexp_t pair = nullptr;
    std::string publicKey;  // 32 bytes
    ~SigningKey() { gcry_sexp_release(pair); }
};
using Key = std::unique_ptr<SigningKey>;

inline void UseGcrypt() {
    if (!gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P)) {
        gcry_check_version(nullptr);
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    }
}

// The value of the token `name` inside `sexp` as bytes.
inline std::string TokenBytes(gcry_sexp_t sexp, const char* name) {
    gcry_sexp_t token = gcry_sexp_find_token(sexp, name, 0);
    if (token == nullptr)
        throw std::runtime_error(std::string("no ") + name);
    std::size_t length = 0;
    const char* data = gcry_sexp_nth_data(token, 1, &length);
    std::string bytes = data ? std::string(data, length) : std::string();
    gcry_sexp_release(token);
    return bytes;
}

// A key pair made for this run only.
inline Key MakeKey() {
    UseGcrypt();
    gcry_sexp_t parameters = nullptr;
    if (gcry_sexp_build(&parameters, nullptr, "(genkey (ecc (curve Ed25519) (flags eddsa)))") != 0)
        throw std::runtime_error("no key parameters");
    Key key = std::make_unique<SigningKey>();
    const gcry_error_t made = gcry_pk_genkey(&key->pair, parameters);
    gcry_sexp_release(parameters);
    if (made != 0)
        throw std::runtime_error("no Ed25519 key");
    gcry_sexp_t publicPart = gcry_sexp_find_token(key->pair, "public-key", 0);
    key->publicKey = TokenBytes(publicPart, "q");
    gcry_sexp_release(publicPart);
    if (key->publicKey.size() == 33 && key->publicKey[0] == 0x40)
        key->publicKey.erase(0, 1);  // the library's prefix for a compact point
    if (key->publicKey.size() != 32)
        throw std::runtime_error("unexpected Ed25519 public key");
    return key;
}

inline std::string Base64(const std::string& bytes) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned int group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 2]);
        text += kDigits[(group >> 18) & 63];
        text += kDigits[(group >> 12) & 63];
        text += i + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
        text += i + 2 < bytes.size() ? kDigits[group & 63] : '=';
    }
    return text;
}

// The public key as PEM (SubjectPublicKeyInfo of RFC 8410).
inline std::string PublicPem(const SigningKey* key) {
    static const char kPrefix[] = "\x30\x2A\x30\x05\x06\x03\x2B\x65\x70\x03\x21\x00";
    return "-----BEGIN PUBLIC KEY-----\n" + Base64(std::string(kPrefix, 12) + key->publicKey) +
           "\n-----END PUBLIC KEY-----\n";
}

// What the maker does: the Ed25519 signature of the file's SHA-512 digest.
inline std::string Sign(const SigningKey* key, const std::string& bytes) {
    UseGcrypt();
    unsigned char digest[64];
    gcry_md_hash_buffer(GCRY_MD_SHA512, digest, bytes.data(), bytes.size());
    gcry_sexp_t data = nullptr;
    if (gcry_sexp_build(&data, nullptr, "(data (flags eddsa) (hash-algo sha512) (value %b))",
                        static_cast<int>(sizeof digest), digest) != 0)
        throw std::runtime_error("no data to sign");
    gcry_sexp_t secret = gcry_sexp_find_token(key->pair, "private-key", 0);
    gcry_sexp_t signature = nullptr;
    const gcry_error_t signedIt = gcry_pk_sign(&signature, data, secret);
    gcry_sexp_release(secret);
    gcry_sexp_release(data);
    if (signedIt != 0)
        throw std::runtime_error("no Ed25519 signature");
    const std::string r = TokenBytes(signature, "r");
    const std::string s = TokenBytes(signature, "s");
    gcry_sexp_release(signature);
    if (r.size() != 32 || s.size() != 32)
        throw std::runtime_error("unexpected Ed25519 signature");
    return r + s;
}

}  // namespace rangwerk::install_test
