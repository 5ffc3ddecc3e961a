// The store's lock: an exclusive byte-range lock on a file inside the store folder. Every
// spelling of the folder (a link, a short name, another drive letter) reaches the same file, and
// the system drops the lock of a process that dies. The file's text keeps the slot counter, which
// thus outlives a lost plugged-in list, the store's write generation, which every write of the
// list or of a key bumps, and the registered list's, which its every rewrite bumps, so that a
// process can tell its parsed copies are still current.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace keylib {

class StoreLock {
public:
    StoreLock() = default;
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    // Waits a few seconds at most: KEYLIB_OK, KEYLIB_E_BUSY while another holder keeps it, or
    // KEYLIB_E_STORE when the lock file cannot be opened. After a busy answer the process's
    // next calls for a short while try only once, so a refresh of many calls stays short.
    uint32_t acquire(const std::wstring& folder);

    // As read when the lock was taken; 0 when none was written yet.
    uint32_t counter() const { return counter_; }
    uint32_t generation() const { return generation_; }
    uint32_t loadedGeneration() const { return loadedGeneration_; }
    // After a write of the plugged-in list: keeps its counter and bumps the generation.
    void recordListWrite(uint32_t next);
    // After a key file was written or deleted: bumps the generation.
    void recordWrite();
    // After the registered list was rewritten (an append only makes it longer): bumps its
    // generation alone, so that the parsed key files stay current.
    void recordLoadedListWrite();

private:
    void readState();
    void writeState();

    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool locked_ = false;
    uint32_t counter_ = 0;
    uint32_t generation_ = 0;
    uint32_t loadedGeneration_ = 0;
};

}  // namespace keylib
