// The folder of virtual keys: one file per key, the plugged-in set and the list of
// certificates put into the user's store. An open KeyStore object holds the store's lock for
// its whole life, so that every process sees and changes the store one at a time; keep it only
// around file work.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "keylib/dll/StoreLock.h"
#include "keylib/dll/logic/KeyRecord.h"
#include "keylib/dll/logic/StoreCaches.h"
#include "keylib/dll/logic/PluggedSet.h"
#include "keylib/dll/logic/Thumbprints.h"

namespace keylib {

// The folder the store lives in: %KEYLIB_STORE% if set, else %LOCALAPPDATA%\QelmoraKeys.
// Read on every use, so a process can switch stores between calls.
std::wstring storeFolder();

// A fresh random plug id for a key being plugged in; a KeyLib status.
uint32_t drawPlugId(uint64_t& id);

enum class KeyFileKind { Missing, File, Directory };

class KeyStore {
public:
    KeyStore() = default;
    KeyStore(const KeyStore&) = delete;
    KeyStore& operator=(const KeyStore&) = delete;

    // Creates the folder when needed and takes the lock; a KeyLib status (KEYLIB_E_BUSY when
    // another holder keeps the lock).
    uint32_t open();

    // The set, its counter never behind the one kept beside the lock; KEYLIB_E_STORE when the
    // list is unreadable or damaged. A process keeps the list it parsed last while the store's
    // write generation and the file's size and time stay the same.
    uint32_t readPlugged(PluggedSet& set) const;
    uint32_t writePlugged(const PluggedSet& set);
    // Rewrites a damaged list with what can be saved of it; dropped: the lines left out.
    uint32_t repairPlugged(size_t& dropped);
    // The key plugged in at the slot, or KEYLIB_E_BAD_SLOT.
    uint32_t resolveSlot(uint32_t slot, PluggedKey& key) const;

    KeyFileKind keyFileKind(const std::string& name) const;
    uint32_t readKey(const std::string& name, KeyRecord& record) const;
    // A key a process read is kept while the store's write generation and the file's size and
    // time stay the same; writing or deleting one bumps the generation.
    uint32_t writeKey(const std::string& name, const KeyRecord& record);
    uint32_t deleteKey(const std::string& name);
    std::vector<std::string> keyNames() const;

    // A process keeps the list it parsed or wrote last while the list's own generation and the
    // file's size and time stay the same: registering a key's certificates then only looks at
    // the file's attributes before it appends.
    std::vector<Thumbprint> readLoadedCertificates() const;
    uint32_t writeLoadedCertificates(const std::vector<Thumbprint>& list);
    // Adds to the list without rewriting it: a rename per call costs more than the rest of
    // registering a key's certificates.
    uint32_t appendLoadedCertificates(const std::vector<Thumbprint>& added);

    const std::wstring& folder() const { return folder_; }

private:
    std::wstring path(const std::string& fileName) const;
    uint32_t writeText(const std::string& fileName, const std::string& text) const;
    // The file's stamp under the store's generation; a Windows error (ERROR_DIRECTORY for one).
    DWORD stampFile(const std::wstring& file, ListStamp& stamp) const;
    DWORD stampFile(const std::wstring& file, uint32_t generation, ListStamp& stamp) const;
    // The registered list's stamp under its own generation; false when it cannot be taken.
    bool stampLoaded(ListStamp& stamp) const;
    // Keeps the list just written under the file's new stamp.
    void keepLoaded(const std::vector<Thumbprint>& list) const;
    uint32_t stampPlugged(ListStamp& stamp) const;
    bool write(const std::wstring& target, const void* data, size_t size, bool durable) const;

    std::wstring folder_;
    StoreLock lock_;
};

}  // namespace keylib
