// What a key holds and how the program reads it: the key library's container
// and certificate calls, and what the platform decodes of a certificate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace keytool {

// The largest certificate a key holds.
constexpr std::uint32_t CERT_BUF_SIZE = 409600;
// The container positions a key is looked at in.
constexpr std::uint32_t kContainerPositions = 6;
// The name size the library is told; callers' buffers have room for more, so a
// name that fills it is still terminated inside them.
constexpr std::uint32_t kContainerNameSizeTold = 128;
// The library's certificate kinds (the platform's AT_KEYEXCHANGE and AT_SIGNATURE).
constexpr std::uint32_t CERT_KIND1 = 1;
constexpr std::uint32_t CERT_KIND2 = 2;
// Flag bits of a container that holds a certificate of each kind.
constexpr std::uint32_t kFlagsCert1 = 0x1 | 0x4;
constexpr std::uint32_t kFlagsCert2 = 0x2 | 0x8;

// The key library's calls on a key's containers and certificates; 0 is success.
class CertKeyLibrary {
public:
    virtual ~CertKeyLibrary() = default;
    virtual std::uint32_t ContainerCount(std::uint32_t slot, std::uint32_t* count) = 0;
    virtual std::uint32_t ContainerInfo(std::uint32_t slot, std::uint32_t index,
                                        std::uint32_t* flags, std::uint32_t nameSize,
                                        char* name) = 0;
    virtual std::uint32_t ReadCertByName(std::uint32_t slot, const char* container,
                                         std::uint32_t kind, std::uint32_t* length,
                                         std::uint8_t* buffer) = 0;
    virtual std::uint32_t Reset(std::uint32_t slot) = 0;
    virtual std::uint32_t VerifyPassword(std::uint32_t slot, std::uint32_t kind,
                                         const char* password) = 0;
    virtual std::uint32_t DeleteContainerByName(std::uint32_t slot, const char* container) = 0;
};

// Seconds since 1970 of a Windows file time (100 ns since 1601).
std::int64_t SecondsFromFileTime(std::uint64_t fileTime);

// What a reminder needs of a certificate; times are seconds since 1970 (UTC).
struct CertExpiry {
    std::string thumbprint;  // 40 upper-case hex digits of the SHA-1 hash
    std::string name;        // the subject's common name, else the whole subject (GBK)
    std::int64_t notAfter = 0;
};

// What a report shows of a certificate.
struct CertDetails {
    std::string subject, issuer;
    std::string serial;      // hexadecimal, most significant byte first
    std::string thumbprint;  // SHA-1, hexadecimal
    std::string fromLocal, toLocal, fromUtc, toUtc;
};

// Decodes a DER X.509 certificate; each answer is false when the bytes are no certificate.
class CertDecoder {
public:
    virtual ~CertDecoder() = default;
    // The subject's display name, NUL-terminated within `size` bytes.
    virtual bool SubjectName(const std::uint8_t* der, std::uint32_t length, char* name,
                             std::size_t size) = 0;
};

class CertExpiryDecoder {
public:
    virtual ~CertExpiryDecoder() = default;
    virtual bool Expiry(const std::uint8_t* der, std::uint32_t length, CertExpiry* expiry) = 0;
};

class CertDetailsDecoder {
public:
    virtual ~CertDetailsDecoder() = default;
    virtual bool Decode(const std::uint8_t* der, std::uint32_t length, CertDetails* details) = 0;
};

}  // namespace keytool
