// Builds the certificate tree of a key: a root with the six container
// positions, and under each named container its certificates, kind 1 first.
#pragma once

#include <cstdint>

#include "pages/logic/CertPageParts.h"

namespace keytool {

// The fill's own zero-filled buffer of CERT_BUF_SIZE bytes, held for one fill.
class FillBuffer {
public:
    virtual ~FillBuffer() = default;
    // nullptr when there is no memory.
    virtual std::uint8_t* Allocate() = 0;
    virtual void Release(std::uint8_t* buffer) = 0;
};

// Rebuilds the tree and g_ContainerTable for the key in slot (0: no key).
void FillCertTree(std::uint32_t slot, CertPageParts& page, CertDecoder& decoder,
                  FillBuffer& buffers);

}  // namespace keytool
