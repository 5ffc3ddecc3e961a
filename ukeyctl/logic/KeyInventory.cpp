#include "ukeyctl/logic/KeyInventory.h"

#include <algorithm>

#include "keylib/logic/SlotTable.h"
#include "pages/logic/CertBuffer.h"
#include "pages/logic/CertTreeFill.h"

namespace ukeyctl {
namespace {

constexpr std::uint32_t kKinds[] = {1, 2};
constexpr std::uint32_t kKindFlags[] = {0x1 | 0x4, 0x2 | 0x8};
constexpr std::uint32_t kContainerPositions = 6;

bool Failed(std::vector<KeyLibError>& errors, const char* call, std::uint32_t slot,
            std::uint32_t status) {
    if (status != 0) errors.push_back({call, slot, status});
    return status != 0;
}

void ReadCerts(KeyEntry& key, keytool::CertKeyLibrary& library, CertDetailsDecoder& decoder,
               std::vector<std::uint8_t>& buffer) {
    for (std::uint32_t position = 0; position < kContainerPositions; ++position) {
        char name[keytool::kContainerNameSizeTold + 1] = {};
        std::uint32_t flags = 0;
        if (Failed(key.errors, "CSP_ContainerInfo", key.slot,
                   library.ContainerInfo(key.slot, position, &flags,
                                         keytool::kContainerNameSizeTold, name))) {
            return;
        }
        const std::string container = keytool::BoundedLabel(name, sizeof name);
        if (container.empty()) continue;
        key.containers.push_back(container);
        for (int k = 0; k < 2; ++k) {
            if ((flags & kKindFlags[k]) != kKindFlags[k]) continue;
            std::uint32_t length = static_cast<std::uint32_t>(buffer.size());
            if (Failed(key.errors, "CSP_ReadCertByName", key.slot,
                       library.ReadCertByName(key.slot, container.c_str(), kKinds[k], &length,
                                              buffer.data()))) {
                continue;
            }
            KeyCert cert;
            cert.container = container;
            cert.kind = kKinds[k];
            cert.decoded =
                length <= buffer.size() && decoder.Decode(buffer.data(), length, &cert.details);
            key.certs.push_back(cert);
        }
    }
}

}  // namespace

Inventory ReadInventory(KeyDirectory& directory, keytool::CertKeyLibrary& library,
                        CertDetailsDecoder& decoder, bool withCerts, std::uint32_t onlySlot) {
    Inventory inventory;
    std::uint32_t slots[keytool::kMaxSlots] = {};
    std::uint32_t count = 0;
    if (Failed(inventory.errors, "CSP_GetSlotList", 0, directory.SlotList(slots, &count))) {
        return inventory;
    }
    std::vector<std::uint8_t> buffer;
    if (withCerts) buffer.resize(keytool::CERT_BUF_SIZE);
    for (std::uint32_t i = 0; i < std::min(count, keytool::kMaxSlots); ++i) {
        if (onlySlot != 0 && slots[i] != onlySlot) continue;
        KeyEntry key;
        key.slot = slots[i];
        char label[keytool::kLabelBufferSize] = {};
        if (!Failed(key.errors, "CSP_GetUsbKeyLabel", key.slot,
                    directory.ReadLabel(key.slot, label))) {
            key.label = keytool::BoundedLabel(label);
        }
        key.statusKnown = !Failed(key.errors, "CSP_GetSlotStatus", key.slot,
                                  directory.SlotStatus(key.slot, &key.status));
        if (withCerts && key.errors.empty()) ReadCerts(key, library, decoder, buffer);
        inventory.keys.push_back(key);
    }
    return inventory;
}

const KeyLibError* FirstError(const Inventory& inventory) {
    if (!inventory.errors.empty()) return &inventory.errors.front();
    for (const KeyEntry& key : inventory.keys) {
        if (!key.errors.empty()) return &key.errors.front();
    }
    return nullptr;
}

}  // namespace ukeyctl
