// Plugging and pulling keys, announced the way Windows announces a USB device coming or going,
// and clearing what the key library left in the user's certificate store.
#include <windows.h>
#include <dbt.h>

#include <cstdio>

#include "keylib/admin/Commands.h"
#include "keylib/admin/Report.h"
#include "keylib/dll/CertRegistry.h"
#include "keylib/dll/logic/KeyStatus.h"

using namespace keylib;

namespace keyadmin {
namespace {

// Sent, not posted: when the tool returns, every responsive top-level window has handled the
// change. Runs after the store's lock is released, since the handlers call the key library.
void announceDeviceChange() {
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, SMTO_ABORTIFHUNG,
                        5000, &answer);
}

enum class Change { Done, Unchanged, Failed };

Change plug(const std::string& name) {
    KeyStore store;
    KeyRecord record;
    PluggedSet set;
    if (!openStore(store) || !readKey(store, name, record)) return Change::Failed;
    if (store.readPlugged(set) != KEYLIB_OK) {
        fail(kUnreadableList);
        return Change::Failed;
    }
    uint32_t slot = 0;
    uint64_t plugId = 0;
    if (drawPlugId(plugId) != KEYLIB_OK) {
        fail("the system gave no random plug id");
        return Change::Failed;
    }
    switch (keylib::plugKey(set, name, plugId, slot)) {
        case PlugResult::AlreadyPlugged:
            std::printf("key %s is already plugged in, slot %u\n", name.c_str(),
                        static_cast<unsigned>(slot));
            return Change::Unchanged;
        case PlugResult::Full:
            fail("256 keys are plugged in already");
            return Change::Failed;
        case PlugResult::Plugged:
            break;
    }
    const uint32_t status = store.writePlugged(set);
    if (status != KEYLIB_OK) {
        fail("cannot plug " + name + ": " + describeStatus(status));
        return Change::Failed;
    }
    std::printf("key %s plugged in, slot %u\n", name.c_str(), static_cast<unsigned>(slot));
    return Change::Done;
}

Change pull(const std::string& name) {
    KeyStore store;
    PluggedSet set;
    if (!openStore(store)) return Change::Failed;
    if (store.readPlugged(set) != KEYLIB_OK) {
        fail(kUnreadableList);
        return Change::Failed;
    }
    if (!keylib::pullKey(set, name)) {
        fail("key " + name + " is not plugged in");
        return Change::Failed;
    }
    const uint32_t status = store.writePlugged(set);
    if (status != KEYLIB_OK) {
        fail("cannot pull " + name + ": " + describeStatus(status));
        return Change::Failed;
    }
    std::printf("key %s pulled\n", name.c_str());
    return Change::Done;
}

int announce(Change change) {
    if (change == Change::Done) announceDeviceChange();
    return change == Change::Failed ? 1 : 0;
}

}  // namespace

int plugKey(const CommandLine& line) { return announce(plug(line.operands[0])); }

int pullKey(const CommandLine& line) { return announce(pull(line.operands[0])); }

int repairPluggedList(const CommandLine&) {
    {
        KeyStore store;
        if (!openStore(store)) return 1;
        size_t dropped = 0;
        const uint32_t status = store.repairPlugged(dropped);
        if (status != KEYLIB_OK) return fail("cannot rebuild the list: " + describeStatus(status));
        PluggedSet set;
        store.readPlugged(set);
        std::printf("list of plugged-in keys rebuilt: %u plugged in, %u damaged lines dropped\n",
                    static_cast<unsigned>(set.keys.size()), static_cast<unsigned>(dropped));
    }
    announceDeviceChange();  // the keys dropped from the list count as pulled
    return 0;
}

int unloadCertificates(const CommandLine&) {
    KeyStore store;
    if (!openStore(store)) return 1;
    const uint32_t status = unregisterCertificates(store);
    if (status != KEYLIB_OK)
        return fail("cannot remove every certificate: " + describeStatus(status));
    return 0;
}

}  // namespace keyadmin
