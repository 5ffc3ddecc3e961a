// The unit tests' key library: keys by slot with a label and containers at positions, and
// certificates whose bytes are their container's name, "#" and kind. It answers as a careless
// library might: a name is written whole whatever size it is told, a label of 100 bytes or more
// fills the buffer unterminated, and an empty certificate claims a length past the buffer. It
// decodes every certificate but those whose bytes start with "junk".
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "keys/logic/KeyCerts.h"
#include "pages/logic/ContainerTable.h"
#include "ukeyctl/logic/KeyInventory.h"

namespace keytool {

struct FakeKey {
    std::string names[kContainerPositions];
    std::uint32_t flags[kContainerPositions] = {};
    std::string label;
    std::uint32_t status = 2, labelResult = 0, statusResult = 0, countResult = 0;
    std::uint32_t infoFailsAt = kContainerPositions;  // the one position that cannot be read
};

struct FakeKeyLibrary : ukeyctl::KeyDirectory,
                        CertKeyLibrary,
                        CertDecoder,
                        CertExpiryDecoder,
                        CertDetailsDecoder {
    using U = std::uint32_t;
    std::map<U, FakeKey> keys;
    std::map<std::string, std::string> certs;  // by container name, "#" and kind
    U listResult = 0, verifyResult = 0, deleteResult = 0;
    int calls = 0;
    std::vector<std::string> reads;  // slot, container name, "#" and kind
    std::vector<std::string> log;    // what changes a key
    CertExpiry decoded;

    static std::string Cert(const std::string& name, U kind) {
        return name + "#" + std::to_string(kind);
    }
    void Put(U slot, int position, const std::string& name, U kind) {
        keys[slot].names[position] = name;
        keys[slot].flags[position] |= kind == CERT_KIND1 ? kFlagsCert1 : kFlagsCert2;
        certs[Cert(name, kind)] = Cert(name, kind);
    }
    // A whole key, every certificate its containers could announce readable.
    void Plug(U slot, const FakeKey& key) {
        keys[slot] = key;
        for (const std::string& name : key.names) {
            for (U kind : {CERT_KIND1, CERT_KIND2}) certs[Cert(name, kind)] = Cert(name, kind);
        }
    }

    U SlotList(U* slots, U* count) override {
        *count = 0;
        for (const auto& entry : keys) slots[(*count)++] = entry.first;
        return listResult;
    }
    U SlotStatus(U slot, U* s) override { return *s = keys[slot].status, keys[slot].statusResult; }
    U ReadLabel(U slot, char* buffer) override {
        ++calls;
        const auto key = keys.find(slot);
        if (key == keys.end()) return 0xA0420001u;
        const std::string& label = key->second.label;
        std::memcpy(buffer, label.c_str(), std::min(label.size() + 1, kLabelBufferSize));
        return key->second.labelResult;
    }
    U ContainerCount(U slot, U* count) override {
        ++calls, *count = kContainerPositions;
        return keys.count(slot) ? keys[slot].countResult : 1;
    }
    U ContainerInfo(U slot, U i, U* flags, U size, char* name) override {
        ++calls;
        const auto key = keys.find(slot);
        if (key == keys.end() || size != kContainerNameSizeTold || i == key->second.infoFailsAt)
            return 0x6F00;
        std::strcpy(name, key->second.names[i].c_str());
        return *flags = key->second.flags[i], 0;
    }
    U ReadCertByName(U slot, const char* name, U kind, U* length, std::uint8_t* out) override {
        ++calls, reads.push_back(std::to_string(slot) + Cert(name, kind));
        const auto der = certs.find(Cert(name, kind));
        if (!keys.count(slot) || *length != CERT_BUF_SIZE || der == certs.end()) return 0xA0420005u;
        std::memcpy(out, der->second.data(), der->second.size());
        return *length = der->second.empty() ? CERT_BUF_SIZE + 1 : der->second.size(), 0;
    }
    U Reset(U slot) override { return ++calls, log.push_back("Reset " + std::to_string(slot)), 0; }
    U VerifyPassword(U slot, U kind, const char* password) override {
        ++calls, log.push_back("Verify " + std::to_string(slot) + " " + std::to_string(kind) +
                               (password ? password : ""));
        return verifyResult;
    }
    U DeleteContainerByName(U slot, const char* name) override {
        ++calls, log.push_back("Delete " + std::to_string(slot) + " " + name);
        return deleteResult;
    }

    bool SubjectName(const std::uint8_t* der, U length, char* name, std::size_t size) override {
        return length < size && Expiry(der, length, &decoded) &&
               std::strcpy(name, decoded.name.c_str());
    }
    bool Expiry(const std::uint8_t* der, U length, CertExpiry* expiry) override {
        expiry->name.assign(reinterpret_cast<const char*>(der), length);
        return expiry->name.rfind("junk", 0) != 0;
    }
    bool Decode(const std::uint8_t* der, U length, CertDetails* details) override {
        const bool decodes = Expiry(der, length, &decoded);
        *details = {
            "CN=" + decoded.name, "CN=CA", "0a1b", "TP-" + decoded.name, "", "", "", "utc to"};
        return decodes;
    }
};

}  // namespace keytool
