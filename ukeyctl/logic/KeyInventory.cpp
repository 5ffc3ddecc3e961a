#include "ukeyctl/logic/KeyInventory.h"

#include <algorithm>

#include "keylib/logic/SlotTable.h"
#include "keys/logic/KeyCertWalk.h"

namespace ukeyctl {
namespace {

bool Failed(std::vector<KeyLibError>& errors, const char* call, std::uint32_t slot,
            std::uint32_t status) {
    if (status != 0) errors.push_back({call, slot, status});
    return status != 0;
}

void ReadCerts(KeyEntry& key, keytool::CertKeyLibrary& library, CertDetailsDecoder& decoder,
               const FromGbk& fromGbk, std::vector<std::uint8_t>& buffer) {
    const keytool::KeyContents contents = keytool::WalkKey(key.slot, library, buffer);
    for (const std::string& name : contents.containers) key.containers.push_back(fromGbk(name));
    for (const keytool::KeyCertificate& found : contents.certificates) {
        KeyCert cert;
        cert.container = fromGbk(found.container);
        cert.kind = found.kind;
        cert.decoded = !found.der.empty() &&
                       decoder.Decode(found.der.data(),
                                      static_cast<std::uint32_t>(found.der.size()), &cert.details);
        key.certs.push_back(cert);
    }
    for (const keytool::KeyReadFailure& failure : contents.failures) {
        key.errors.push_back({failure.call, key.slot, failure.status});
    }
}

}  // namespace

Inventory ReadInventory(KeyDirectory& directory, keytool::CertKeyLibrary& library,
                        CertDetailsDecoder& decoder, const FromGbk& fromGbk, bool withCerts,
                        std::uint32_t onlySlot) {
    Inventory inventory;
    std::uint32_t slots[keytool::kMaxSlots] = {};
    std::uint32_t count = 0;
    if (Failed(inventory.errors, "CSP_GetSlotList", 0, directory.SlotList(slots, &count))) {
        return inventory;
    }
    std::vector<std::uint8_t> buffer;
    for (std::uint32_t i = 0; i < std::min(count, keytool::kMaxSlots); ++i) {
        if (onlySlot != 0 && slots[i] != onlySlot) continue;
        KeyEntry key;
        key.slot = slots[i];
        char label[keytool::kLabelBufferSize] = {};
        if (!Failed(key.errors, "CSP_GetUsbKeyLabel", key.slot,
                    directory.ReadLabel(key.slot, label))) {
            key.label = fromGbk(keytool::BoundedLabel(label));
        }
        key.statusKnown = !Failed(key.errors, "CSP_GetSlotStatus", key.slot,
                                  directory.SlotStatus(key.slot, &key.status));
        if (withCerts && key.errors.empty()) ReadCerts(key, library, decoder, fromGbk, buffer);
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
