// What ukeyctl asks Windows for its reports: the personal store,
// the smart-card service and the failed-device registry entries.
#pragma once

#include <vector>

#include "ukeyctl/logic/Report.h"

// The certificates in the user's "MY" store that name the key's CSP as their key's provider.
std::vector<ukeyctl::StoreCert> RegisteredCerts();
// The smart-card service's state, asked without starting it.
std::string SmartCardServiceState();
std::vector<ukeyctl::RegistryEntry> FailedDeviceEntries();
