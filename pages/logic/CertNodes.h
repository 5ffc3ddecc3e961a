// The 32-bit data of the certificate tree's nodes. Only certificate nodes
// carry data: the kind bit of the certificate and the index of its container
// entry plus 1. The root, container and empty-position nodes carry 0, so a
// node with both kind bits never comes out of a fill; every handler refuses
// such a node like one without data.
#pragma once

#include <cstdint>

#include "keys/logic/KeyCerts.h"

namespace keytool {

constexpr std::uint32_t NODE_CERT1 = 0x80000000u;
constexpr std::uint32_t NODE_CERT2 = 0x40000000u;
constexpr std::uint32_t NODE_INDEX_MASK = 0x3FFFFFFFu;
constexpr std::uint32_t NODE_KIND_MASK = NODE_CERT1 | NODE_CERT2;

constexpr std::uint32_t CertNodeData(int entry, std::uint32_t kindBit) {
    return (static_cast<std::uint32_t>(entry) + 1) | kindBit;
}

// The certificate a node's data stands for.
struct CertNode {
    int entry;           // index into g_ContainerTable
    std::uint32_t kind;  // CERT_KIND1 or CERT_KIND2
};

// False for data 0, for a kind other than exactly one kind bit, for an entry
// index outside the table and for an entry without a container name.
bool DecodeCertNode(std::uint32_t data, CertNode* node);

}  // namespace keytool
