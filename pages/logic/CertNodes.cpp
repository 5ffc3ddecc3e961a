#include "pages/logic/CertNodes.h"

#include "pages/logic/ContainerTable.h"

namespace keytool {

bool DecodeCertNode(std::uint32_t data, CertNode* node) {
    if (data == 0) return false;
    const std::uint32_t kindBits = data & NODE_KIND_MASK;
    if (kindBits != NODE_CERT1 && kindBits != NODE_CERT2) return false;
    const std::uint32_t entry = (data - 1) & NODE_INDEX_MASK;
    if (entry >= static_cast<std::uint32_t>(MAX_CONTAINERS)) return false;
    if (g_ContainerTable[entry].szName[0] == '\0') return false;
    node->entry = static_cast<int>(entry);
    node->kind = kindBits == NODE_CERT1 ? CERT_KIND1 : CERT_KIND2;
    return true;
}

}  // namespace keytool
