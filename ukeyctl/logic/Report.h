// ukeyctl's outputs: the key list, the certificates and the diagnostics
// report, as text (in the program's code page) and as JSON (UTF-8).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ukeyctl/logic/KeyInventory.h"

namespace ukeyctl {

// Turns a text of the program's code page into UTF-8.
using ToUtf8 = std::function<std::string(const std::string&)>;

// A certificate in the user's personal store that the key library put there.
struct StoreCert {
    std::string thumbprint;
    std::string subject;
};

struct Registration {
    std::vector<StoreCert> missing;  // on a key whose certificates are loaded, not in the store
    std::vector<StoreCert> extra;    // in the store, on no plugged-in key
};

// The keys' certificates are loaded for keys with a status above 1, as on plug-in.
Registration CompareRegistration(const Inventory& inventory,
                                 const std::vector<StoreCert>& registered);

struct RegistryEntry {
    std::string path;
    bool exists;
};

struct DiagReport {
    std::string toolVersion, keyLibVersion, windowsVersion;
    std::uint32_t ansiCodePage = 0, consoleCodePage = 0;
    Inventory inventory;
    std::vector<StoreCert> registered;
    std::string serviceState;
    std::vector<RegistryEntry> failedDeviceEntries;
    std::vector<std::string> logLines;
};

// "running", "stopped", ... or "not installed"; "unknown" when it could not be asked.
std::string ServiceStateText(bool known, bool installed, std::uint32_t state);

std::string ErrorText(const KeyLibError& error);

std::string ListText(const Inventory& inventory);
std::string CertsText(const Inventory& inventory);
std::string DiagText(const DiagReport& report);

std::string ListJson(const Inventory& inventory, const ToUtf8& toUtf8);
std::string CertsJson(const Inventory& inventory, const ToUtf8& toUtf8);
std::string DiagJson(const DiagReport& report, const ToUtf8& toUtf8);

}  // namespace ukeyctl
