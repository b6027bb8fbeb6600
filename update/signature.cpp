#include "update/signature.h"

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

namespace rangwerk {

namespace {

constexpr std::size_t kDigestSize = 64;
constexpr std::size_t kSignatureSize = 64;

struct MdCtxFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
struct PkeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};

std::optional<std::array<unsigned char, kDigestSize>> Sha512OfFile(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha512(), nullptr) != 1) {
        return std::nullopt;
    }
    std::array<char, 64 * 1024> block{};
    while (in) {
        in.read(block.data(), block.size());
        const auto got = in.gcount();
        if (got > 0 &&
            EVP_DigestUpdate(ctx.get(), block.data(), static_cast<std::size_t>(got)) != 1) {
            return std::nullopt;
        }
    }
    if (in.bad()) {
        return std::nullopt;
    }
    std::array<unsigned char, kDigestSize> digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(ctx.get(), digest.data(), &length) != 1 || length != kDigestSize) {
        return std::nullopt;
    }
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

bool Verifies(const std::string& pem, const std::array<unsigned char, kDigestSize>& digest,
              const std::array<unsigned char, kSignatureSize>& signature) {
    std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    if (!bio) {
        return false;
    }
    std::unique_ptr<EVP_PKEY, PkeyFree> key(
        PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
    if (!key || EVP_PKEY_id(key.get()) != EVP_PKEY_ED25519) {
        return false;
    }
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1) {
        return false;
    }
    return EVP_DigestVerify(ctx.get(), signature.data(), signature.size(), digest.data(),
                            digest.size()) == 1;
}

}  // namespace

SignatureCheck VerifyArchiveSignature(const std::string& archiveFile,
                                      const std::string& signatureFile,
                                      const std::vector<std::string>& trustedKeysPem) {
    const auto signature = ReadSignature(signatureFile);
    if (!signature) {
        return SignatureCheck::Missing;
    }
    const auto digest = Sha512OfFile(archiveFile);
    if (!digest) {
        return SignatureCheck::Unreadable;
    }
    for (const std::string& pem : trustedKeysPem) {
        if (Verifies(pem, *digest, *signature)) {
            return SignatureCheck::Valid;
        }
    }
    return SignatureCheck::Invalid;
}

}  // namespace rangwerk
