#pragma once

#include <string>
#include <vector>

namespace rangwerk {

// Whether an update archive comes from someone the program trusts.
enum class SignatureCheck {
    Valid,      // signed by one of the trusted keys
    Missing,    // no signature file, or not 64 bytes
    Invalid,    // no trusted key accepts the signature, or no key is trusted
    Unreadable  // the archive cannot be read
};

// Checks `signatureFile` (64 raw bytes) as the Ed25519 signature of the SHA-512 digest (64 raw
// bytes) of `archiveFile`, against each public key in `trustedKeysPem` (PEM, as
// "openssl pkey -pubout" writes it; keys that are not Ed25519 or cannot be read are ignored).
// The archive is hashed in a stream, never read into memory whole.
SignatureCheck VerifyArchiveSignature(const std::string& archiveFile,
                                      const std::string& signatureFile,
                                      const std::vector<std::string>& trustedKeysPem);

}  // namespace rangwerk
