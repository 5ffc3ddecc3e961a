// The one walk over what a key holds: its container positions in order, and
// the certificates each named container's flags announce, kind 1 first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keys/logic/KeyCerts.h"

namespace keytool {

struct KeyCertificate {
    std::string container;
    std::uint32_t kind = 0;
    std::vector<std::uint8_t> der;  // empty when the library gave more than a key can hold
};

// A key-library call that did not answer 0.
struct KeyReadFailure {
    const char* call;
    std::uint32_t status;
};

struct KeyContents {
    std::vector<std::string> containers;  // the named ones, in position order
    std::vector<KeyCertificate> certificates;
    std::vector<KeyReadFailure> failures;
};

// Stops at the first position the library cannot tell about; a certificate
// it cannot read is passed over. `buffer` is the caller's, grown once to
// CERT_BUF_SIZE and kept for the next key.
KeyContents WalkKey(std::uint32_t slot, CertKeyLibrary& keys, std::vector<std::uint8_t>& buffer);

}  // namespace keytool
