#include "update/signature.h"

#include <gcrypt.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

namespace rangwerk {

namespace {

constexpr std::size_t kDigestSize = 64;
constexpr std::size_t kSignatureSize = 64;
constexpr std::size_t kPublicKeySize = 32;

// The DER of an Ed25519 SubjectPublicKeyInfo (RFC 8410) up to the key's 32 bytes: a sequence of
// the algorithm 1.3.101.112 without parameters and a bit string of 33 bytes.
constexpr unsigned char kEd25519KeyInfoPrefix[] = {0x30, 0x2A, 0x30, 0x05, 0x06, 0x03,
                                                   0x2B, 0x65, 0x70, 0x03, 0x21, 0x00};

using PublicKey = std::array<unsigned char, kPublicKeySize>;

// The library is set up once, without secure memory: the program only verifies, it holds no
// secrets.
bool UseLibrary() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] {
        if (gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P)) {
            ready = true;
            return;
        }
        if (gcry_check_version(GCRYPT_VERSION) == nullptr) {
            return;
        }
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        ready = true;
    });
    return ready;
}

struct SexpFree {
    void operator()(gcry_sexp_t sexp) const { gcry_sexp_release(sexp); }
};
using Sexp = std::unique_ptr<gcry_sexp, SexpFree>;

struct MdClose {
    void operator()(gcry_md_hd_t md) const { gcry_md_close(md); }
};

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// The bytes of a base64 text; blanks and line breaks are skipped, '=' ends it.
std::optional<std::string> DecodeBase64(std::string_view text) {
    std::string bytes;
    unsigned int bits = 0;
    int count = 0;
    for (const char c : text) {
        if (c == '=') {
            break;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            continue;
        }
        const int value = Base64Value(c);
        if (value < 0) {
            return std::nullopt;
        }
        bits = ((bits << 6) | static_cast<unsigned int>(value)) & 0xFFFFFF;
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return bytes;
}

// The Ed25519 key of the first "PUBLIC KEY" block of a PEM text, as "openssl pkey -pubout"
// writes it; nothing for any other key or text.
std::optional<PublicKey> Ed25519KeyOfPem(std::string_view pem) {
    constexpr std::string_view kBegin = "-----BEGIN PUBLIC KEY-----";
    constexpr std::string_view kEnd = "-----END PUBLIC KEY-----";
    const std::size_t begin = pem.find(kBegin);
    if (begin == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t body = begin + kBegin.size();
    const std::size_t end = pem.find(kEnd, body);
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<std::string> der = DecodeBase64(pem.substr(body, end - body));
    constexpr std::size_t kPrefixSize = sizeof kEd25519KeyInfoPrefix;
    if (!der || der->size() != kPrefixSize + kPublicKeySize ||
        der->compare(0, kPrefixSize, reinterpret_cast<const char*>(kEd25519KeyInfoPrefix),
                     kPrefixSize) != 0) {
        return std::nullopt;
    }
    PublicKey key{};
    for (std::size_t i = 0; i < kPublicKeySize; ++i) {
        key[i] = static_cast<unsigned char>((*der)[kPrefixSize + i]);
    }
    return key;
}

std::optional<std::array<unsigned char, kDigestSize>> Sha512OfFile(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    gcry_md_hd_t opened = nullptr;
    if (gcry_md_open(&opened, GCRY_MD_SHA512, 0) != 0) {
        return std::nullopt;
    }
    const std::unique_ptr<gcry_md_handle, MdClose> md(opened);
    std::array<char, 64 * 1024> block{};
    while (in) {
        in.read(block.data(), block.size());
        const auto got = in.gcount();
        if (got > 0) {
            gcry_md_write(md.get(), block.data(), static_cast<std::size_t>(got));
        }
    }
    if (in.bad()) {
        return std::nullopt;
    }
    const unsigned char* result = gcry_md_read(md.get(), GCRY_MD_SHA512);
    if (result == nullptr) {
        return std::nullopt;
    }
    std::array<unsigned char, kDigestSize> digest{};
    std::copy(result, result + kDigestSize, digest.begin());
    return digest;
}

std::optional<std::array<unsigned char, kSignatureSize>> ReadSignature(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::array<unsigned char, kSignatureSize> signature{};
    in.read(reinterpret_cast<char*>(signature.data()), signature.size());
    if (in.gcount() != static_cast<std::streamsize>(kSignatureSize)) {
        return std::nullopt;
    }
    char extra = 0;
    if (in.read(&extra, 1)) {
        return std::nullopt;  // longer than a signature
    }
    return signature;
}

// Pure Ed25519 (RFC 8032, not Ed25519ph): the message is the digest's 64 bytes, as
// "openssl pkeyutl -sign -rawin" signs them.
bool Verifies(const PublicKey& key, const std::array<unsigned char, kDigestSize>& digest,
              const std::array<unsigned char, kSignatureSize>& signature) {
    gcry_sexp_t built = nullptr;
    if (gcry_sexp_build(&built, nullptr, "(public-key (ecc (curve Ed25519) (flags eddsa) (q %b)))",
                        static_cast<int>(key.size()), key.data()) != 0) {
        return false;
    }
    const Sexp publicKey(built);
    if (gcry_sexp_build(&built, nullptr, "(data (flags eddsa) (hash-algo sha512) (value %b))",
                        static_cast<int>(digest.size()), digest.data()) != 0) {
        return false;
    }
    const Sexp data(built);
    if (gcry_sexp_build(&built, nullptr, "(sig-val (eddsa (r %b) (s %b)))", 32, signature.data(),
                        32, signature.data() + 32) != 0) {
        return false;
    }
    const Sexp sig(built);
    return gcry_pk_verify(sig.get(), data.get(), publicKey.get()) == 0;
}

}  // namespace

SignatureCheck VerifyArchiveSignature(const std::string& archiveFile,
                                      const std::string& signatureFile,
                                      const std::vector<std::string>& trustedKeysPem) {
    const auto signature = ReadSignature(signatureFile);
    if (!signature) {
        return SignatureCheck::Missing;
    }
    if (!UseLibrary()) {
        return SignatureCheck::Invalid;
    }
    const auto digest = Sha512OfFile(archiveFile);
    if (!digest) {
        return SignatureCheck::Unreadable;
    }
    for (const std::string& pem : trustedKeysPem) {
        const std::optional<PublicKey> key = Ed25519KeyOfPem(pem);
        if (key && Verifies(*key, *digest, *signature)) {
            return SignatureCheck::Valid;
        }
    }
    return SignatureCheck::Invalid;
}

}  // namespace rangwerk
