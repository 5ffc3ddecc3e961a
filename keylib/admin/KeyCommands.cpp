// Creating, changing, listing and deleting keys.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>

#include "keylib/admin/Commands.h"
#include "keylib/admin/Report.h"
#include "keylib/dll/PasswordHash.h"
#include "keylib/dll/logic/KeyStatus.h"
#include "keylib/dll/logic/TextRules.h"

using namespace keylib;

namespace keyadmin {
namespace {

bool applyLabel(const CommandLine& line, KeyRecord& record) {
    if (!line.has("label")) return true;
    const std::string& label = line.options.at("label");
    if (!isValidLabel(label)) {
        fail("the label must be 1-15 bytes of GBK text");
        return false;
    }
    record.label = label;
    return true;
}

// A --password option, hashed before the store is locked: hashing takes long, file work not.
struct NewPassword {
    bool given = false;
    PasswordHash hash;
};

bool hashPasswordOption(const CommandLine& line, NewPassword& out) {
    if (!line.has("password")) return true;
    const std::string& password = line.options.at("password");
    if (!isValidPasswordLength(password.size())) {
        fail("the password must be 8-16 bytes");
        return false;
    }
    SecretText secret;
    secret.assign(password.c_str(), password.size());
    const uint32_t status = hashPassword(secret, out.hash);
    if (status != KEYLIB_OK) {
        fail("cannot hash the password: " + describeStatus(status));
        return false;
    }
    out.given = true;
    return true;
}

bool applyNumbers(const CommandLine& line, KeyRecord& record) {
    uint32_t value = 0;
    if (line.has("tries")) {
        if (!parseNumber(line.options.at("tries"), kMaxTries, value) || value == 0) {
            fail("--tries must be 1-15");
            return false;
        }
        record.maxTries = static_cast<uint8_t>(value);
        record.triesLeft = record.maxTries;
    }
    if (line.has("tries-left")) {
        if (!parseNumber(line.options.at("tries-left"), record.maxTries, value)) {
            fail("--tries-left must be 0 to the maximum tries");
            return false;
        }
        record.triesLeft = static_cast<uint8_t>(value);
    }
    if (line.has("status")) {
        if (!parseNumber(line.options.at("status"), 0xFFFFFFFFu, value)) {
            fail("--status must be a 32-bit number");
            return false;
        }
        record.status = value;
    }
    return true;
}

bool applyInitialFlag(const CommandLine& line, KeyRecord& record) {
    if (line.switches.count("initial") != 0) record.initialPassword = true;
    if (!line.has("initial")) return true;
    const std::string& value = line.options.at("initial");
    if (value != "on" && value != "off") {
        fail("--initial takes on or off");
        return false;
    }
    record.initialPassword = value == "on";
    return true;
}

bool applyOptions(const CommandLine& line, const NewPassword& password, KeyRecord& record) {
    if (!applyLabel(line, record)) return false;
    if (password.given) {
        record.password = password.hash;
        record.triesLeft = record.maxTries;
    }
    return applyNumbers(line, record) && applyInitialFlag(line, record);
}

std::string subjectOf(const std::vector<uint8_t>& der) {
    PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                                       der.data(), static_cast<DWORD>(der.size()));
    if (cert == nullptr) return "(undecodable)";
    char name[256] = {};
    CertGetNameStringA(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, sizeof name);
    CertFreeCertificateContext(cert);
    return name;
}

void printKey(const std::string& name, const KeyRecord& record, uint32_t slot) {
    std::printf("key %s\n  plugged: ", name.c_str());
    if (slot != 0) {
        std::printf("slot %u\n", static_cast<unsigned>(slot));
    } else {
        std::printf("no\n");
    }
    std::printf("  label: %s\n  status: %u\n  tries: %u of %u left%s\n", record.label.c_str(),
                static_cast<unsigned>(record.status), record.triesLeft, record.maxTries,
                record.triesLeft == 0 ? " (locked)" : "");
    std::printf("  initial password: %s\n", record.initialPassword ? "yes" : "no");
    for (size_t i = 0; i < record.containers.size(); ++i) {
        const Container& c = record.containers[i];
        if (c.empty()) continue;
        std::printf("  container %u: %s\n", static_cast<unsigned>(i), c.name.c_str());
        for (size_t kind = 0; kind < 2; ++kind) {
            const auto& der = c.certificates[kind];
            if (der.empty()) continue;
            std::printf("    kind %u: %u bytes, %s\n", static_cast<unsigned>(kind + 1),
                        static_cast<unsigned>(der.size()), subjectOf(der).c_str());
        }
    }
    for (const KeyFileEntry& f : record.files) {
        std::printf("  file %04X: %u bytes\n", f.id, static_cast<unsigned>(f.data.size()));
    }
}

uint32_t pluggedSlot(const KeyStore& store, const std::string& name) {
    PluggedSet set;
    if (store.readPlugged(set) != KEYLIB_OK) return 0;
    const PluggedKey* key = findName(set, name);
    return key == nullptr ? 0 : key->slot;
}

}  // namespace

bool openStore(KeyStore& store) {
    const uint32_t status = store.open();
    if (status != KEYLIB_OK) {
        char folder[MAX_PATH * 2] = {};
        WideCharToMultiByte(CP_ACP, 0, store.folder().c_str(), -1, folder, sizeof folder - 1,
                            nullptr, nullptr);
        fail(std::string("cannot open the key store ") + folder + ": " + describeStatus(status));
    }
    return status == KEYLIB_OK;
}

bool readKey(const KeyStore& store, const std::string& name, KeyRecord& record) {
    if (!isValidKeyName(name)) {
        fail("'" + name + "' is not a key name (1-64 of A-Z a-z 0-9 _ - .)");
        return false;
    }
    switch (store.keyFileKind(name)) {
        case KeyFileKind::Missing:
            fail("no key named " + name);
            return false;
        case KeyFileKind::Directory:
            fail(name + ".key in the store is a folder, not a key file");
            return false;
        case KeyFileKind::File:
            break;
    }
    const uint32_t status = store.readKey(name, record);
    if (status != KEYLIB_OK) fail("key " + name + ": " + describeStatus(status));
    return status == KEYLIB_OK;
}

bool writeKey(KeyStore& store, const std::string& name, const KeyRecord& record) {
    const uint32_t status = store.writeKey(name, record);
    if (status != KEYLIB_OK) fail("cannot write key " + name + ": " + describeStatus(status));
    return status == KEYLIB_OK;
}

int listKeys(const CommandLine&) {
    KeyStore store;
    if (!openStore(store)) return 1;
    PluggedSet set;
    const bool listed = store.readPlugged(set) == KEYLIB_OK;
    std::printf("store %ls\n", store.folder().c_str());
    if (!listed) std::printf("%s\n", kUnreadableList);
    for (const std::string& name : store.keyNames()) {
        KeyRecord record;
        const PluggedKey* plugged = findName(set, name);
        const bool readable = store.readKey(name, record) == KEYLIB_OK;
        const std::string state = !listed ? "plugged in or not: unknown"
                                  : plugged != nullptr
                                      ? "plugged, slot " + std::to_string(plugged->slot)
                                      : "pulled";
        std::printf("%-20s %-16s %s\n", name.c_str(), readable ? record.label.c_str() : "(damaged)",
                    state.c_str());
    }
    return 0;
}

int showKey(const CommandLine& line) {
    KeyStore store;
    KeyRecord record;
    const std::string& name = line.operands[0];
    if (!openStore(store) || !readKey(store, name, record)) return 1;
    printKey(name, record, pluggedSlot(store, name));
    return 0;
}

int createKey(const CommandLine& line) {
    const std::string& name = line.operands[0];
    if (!isValidKeyName(name)) return fail("'" + name + "' is not a key name");
    if (!line.has("label") || !line.has("password")) {
        return fail("create needs --label and --password");
    }
    KeyRecord record;
    record.maxTries = 6;
    record.triesLeft = 6;
    NewPassword password;
    if (!hashPasswordOption(line, password) || !applyOptions(line, password, record)) return 1;
    KeyStore store;
    if (!openStore(store)) return 1;
    switch (store.keyFileKind(name)) {
        case KeyFileKind::Missing:
            break;
        case KeyFileKind::Directory:
            return fail(name + ".key in the store is a folder, not a key file");
        case KeyFileKind::File:
            return fail("a key named " + name + " exists already");
    }
    return writeKey(store, name, record) ? 0 : 1;
}

int setKey(const CommandLine& line) {
    if (line.options.size() == line.has("store") && line.switches.empty()) {
        return fail("set needs an option to set");
    }
    NewPassword password;
    if (!hashPasswordOption(line, password)) return 1;
    KeyStore store;
    KeyRecord record;
    const std::string& name = line.operands[0];
    if (!openStore(store) || !readKey(store, name, record)) return 1;
    if (!applyOptions(line, password, record)) return 1;
    return writeKey(store, name, record) ? 0 : 1;
}

int deleteKey(const CommandLine& line) {
    KeyStore store;
    const std::string& name = line.operands[0];
    if (!openStore(store)) return 1;
    if (pluggedSlot(store, name) != 0) return fail("pull key " + name + " before deleting it");
    const uint32_t status = store.deleteKey(name);
    if (status != KEYLIB_OK)
        return fail("cannot delete key " + name + ": " + describeStatus(status));
    return 0;
}

}  // namespace keyadmin
