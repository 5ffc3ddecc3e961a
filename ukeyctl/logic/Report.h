// ukeyctl's outputs: the key list, the certificates and the diagnostics
// report, as text and as JSON, both UTF-8. The text forms show foreign texts
// (labels, names, log lines) with control characters escaped and long names
// cut, so that no text can pass for a line or section of the report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ukeyctl/logic/KeyInventory.h"

namespace ukeyctl {

// Characters of a label or name the text forms show before they cut it.
constexpr std::size_t kShownNameChars = 256;

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

std::string ListJson(const Inventory& inventory);
std::string CertsJson(const Inventory& inventory);
std::string DiagJson(const DiagReport& report);

}  // namespace ukeyctl
