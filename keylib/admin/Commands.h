// The admin tool's commands; each answers the process exit code (0 success, 1 failure).
#pragma once

#include <string>

#include "keylib/admin/logic/CommandLine.h"
#include "keylib/dll/KeyStore.h"
#include "keylib/dll/logic/KeyRecord.h"

namespace keyadmin {

int listKeys(const CommandLine& line);
int showKey(const CommandLine& line);
int createKey(const CommandLine& line);
int setKey(const CommandLine& line);
int deleteKey(const CommandLine& line);

int putCertificate(const CommandLine& line);
int dropContainer(const CommandLine& line);
int putFile(const CommandLine& line);
int dropFile(const CommandLine& line);

int plugKey(const CommandLine& line);
int pullKey(const CommandLine& line);
int repairPluggedList(const CommandLine& line);

int unloadCertificates(const CommandLine& line);

// Shared steps: each prints its own error and answers false on failure.
bool openStore(keylib::KeyStore& store);
bool readKey(const keylib::KeyStore& store, const std::string& name, keylib::KeyRecord& record);
bool writeKey(keylib::KeyStore& store, const std::string& name, const keylib::KeyRecord& record);

}  // namespace keyadmin
