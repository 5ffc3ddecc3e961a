#include "keys/logic/KeyCertWalk.h"

#include <initializer_list>
#include <utility>

#include "keylib/logic/KeyList.h"

namespace keytool {

std::int64_t SecondsFromFileTime(std::uint64_t fileTime) {
    constexpr std::uint64_t kTicksPerSecond = 10000000;
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
    return static_cast<std::int64_t>(fileTime / kTicksPerSecond) - kSecondsFrom1601To1970;
}

KeyContents WalkKey(std::uint32_t slot, CertKeyLibrary& keys, std::vector<std::uint8_t>& buffer) {
    KeyContents key;
    for (std::uint32_t position = 0; position < kContainerPositions; ++position) {
        char name[kContainerNameSizeTold + 1] = {};
        std::uint32_t flags = 0;
        const std::uint32_t info =
            keys.ContainerInfo(slot, position, &flags, kContainerNameSizeTold, name);
        if (info != 0) {
            key.failures.push_back({"CSP_ContainerInfo", info});
            break;
        }
        const std::string container = BoundedLabel(name, sizeof name);
        if (container.empty()) continue;
        key.containers.push_back(container);
        for (const auto& [kind, bits] :
             {std::pair{CERT_KIND1, kFlagsCert1}, std::pair{CERT_KIND2, kFlagsCert2}}) {
            if ((flags & bits) != bits) continue;
            buffer.resize(CERT_BUF_SIZE);
            std::uint32_t length = CERT_BUF_SIZE;
            const std::uint32_t read =
                keys.ReadCertByName(slot, container.c_str(), kind, &length, buffer.data());
            if (read != 0) {
                key.failures.push_back({"CSP_ReadCertByName", read});
                continue;
            }
            KeyCertificate certificate{container, kind, {}};
            if (length <= CERT_BUF_SIZE) {
                certificate.der.assign(buffer.begin(), buffer.begin() + length);
            }
            key.certificates.push_back(std::move(certificate));
        }
    }
    return key;
}

}  // namespace keytool
