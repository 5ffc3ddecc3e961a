// What the plugged-in keys hold, read through the key library: slots, labels,
// statuses, containers and their certificates, decoded for people to read.
// Texts are UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "keylib/logic/KeyList.h"
#include "keys/logic/KeyCerts.h"

namespace ukeyctl {

// The slot list and the key statuses; 0 is success.
class KeyDirectory : public keytool::LabelReader {
public:
    // slots: room for keytool::kMaxSlots entries.
    virtual std::uint32_t SlotList(std::uint32_t* slots, std::uint32_t* count) = 0;
    virtual std::uint32_t SlotStatus(std::uint32_t slot, std::uint32_t* status) = 0;
};

using keytool::CertDetails;
using keytool::CertDetailsDecoder;
// Turns a text of the key library's code page 936 into UTF-8.
using FromGbk = std::function<std::string(const std::string&)>;

struct KeyCert {
    std::string container;
    std::uint32_t kind = 0;
    CertDetails details;
    bool decoded = false;
};

// A key-library call that did not answer 0.
struct KeyLibError {
    std::string call;
    std::uint32_t slot = 0;
    std::uint32_t status = 0;
};

struct KeyEntry {
    std::uint32_t slot = 0;
    std::string label;
    std::uint32_t status = 0;
    bool statusKnown = false;
    std::vector<std::string> containers;
    std::vector<KeyCert> certs;
    std::vector<KeyLibError> errors;
};

struct Inventory {
    std::vector<KeyEntry> keys;
    std::vector<KeyLibError> errors;  // the slot list's own
};

// Reads every plugged-in key, or only the one in `onlySlot` when it is not 0;
// `withCerts` also reads containers and certificates.
Inventory ReadInventory(KeyDirectory& directory, keytool::CertKeyLibrary& library,
                        CertDetailsDecoder& decoder, const FromGbk& fromGbk, bool withCerts,
                        std::uint32_t onlySlot = 0);

// The first key-library error anywhere in the inventory, or nullptr.
const KeyLibError* FirstError(const Inventory& inventory);

}  // namespace ukeyctl
