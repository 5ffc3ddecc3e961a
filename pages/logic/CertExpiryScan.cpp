#include "pages/logic/CertExpiryScan.h"

#include <initializer_list>
#include <utility>

#include "pages/logic/CertBuffer.h"
#include "pages/logic/CertNodes.h"
#include "pages/logic/CertTreeFill.h"
#include "pages/logic/ContainerTable.h"

namespace keytool {

std::int64_t SecondsFromFileTime(std::uint64_t fileTime) {
    constexpr std::uint64_t kTicksPerSecond = 10000000;
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
    return static_cast<std::int64_t>(fileTime / kTicksPerSecond) - kSecondsFrom1601To1970;
}

std::vector<CertExpiry> ReadCertExpiries(const std::uint32_t* slots, std::uint32_t count,
                                         CertKeyLibrary& keys, CertExpiryDecoder& decoder) {
    std::vector<CertExpiry> found;
    std::vector<std::uint8_t> buffer(CERT_BUF_SIZE);
    for (std::uint32_t k = 0; k < count; ++k) {
        for (std::uint32_t position = 0; position < MAX_CONTAINERS; ++position) {
            char name[CONTAINER_NAME_SIZE] = {};
            std::uint32_t flags = 0;
            if (keys.ContainerInfo(slots[k], position, &flags, kContainerNameSizeTold, name) != 0) {
                break;
            }
            name[kContainerNameSizeTold] = '\0';
            if (name[0] == '\0') continue;
            for (const auto& [kind, bits] :
                 {std::pair{CERT_KIND1, kFlagsCert1}, std::pair{CERT_KIND2, kFlagsCert2}}) {
                std::uint32_t length = CERT_BUF_SIZE;
                CertExpiry expiry;
                if ((flags & bits) == bits &&
                    keys.ReadCertByName(slots[k], name, kind, &length, buffer.data()) == 0 &&
                    length <= CERT_BUF_SIZE && decoder.Expiry(buffer.data(), length, &expiry)) {
                    found.push_back(expiry);
                }
            }
        }
    }
    return found;
}

}  // namespace keytool
