#include "keylib/dll/StoreLock.h"

#include <cstdio>
#include <cstdlib>

#include "keylib/dll/logic/KeyStatus.h"

namespace keylib {
namespace {

const wchar_t kLockFile[] = L"\\store.lock";
// Far past the counter's text, so that the locked byte never hides the text from a reader.
constexpr DWORD kLockedOffset = 0x40000000;
// Longer than any holder takes for its file work on a loaded machine, short enough that a
// window calling on its only thread stays responsive.
constexpr DWORD kWaitMs = 3000;
// How long after a busy answer the process's calls try only once.
constexpr DWORD kBusyMemoryMs = 2000;

LONG volatile lastBusyTick = 0;
LONG volatile busySeen = 0;

bool recentlyBusy() {
    return busySeen != 0 && GetTickCount() - static_cast<DWORD>(lastBusyTick) < kBusyMemoryMs;
}

void rememberBusy() {
    InterlockedExchange(&lastBusyTick, static_cast<LONG>(GetTickCount()));
    InterlockedExchange(&busySeen, 1);
}

bool tryLock(HANDLE file) {
    OVERLAPPED at{};
    at.Offset = kLockedOffset;
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

}  // namespace

StoreLock::~StoreLock() {
    if (file_ == INVALID_HANDLE_VALUE) return;
    if (locked_) {
        OVERLAPPED at{};
        at.Offset = kLockedOffset;
        UnlockFileEx(file_, 0, 1, 0, &at);
    }
    CloseHandle(file_);
}

uint32_t StoreLock::acquire(const std::wstring& folder) {
    const std::wstring path = folder + kLockFile;
    file_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return KEYLIB_E_STORE;
    const DWORD start = GetTickCount();
    const DWORD budget = recentlyBusy() ? 0 : kWaitMs;
    DWORD pause = 1;
    while (!tryLock(file_)) {
        const DWORD error = GetLastError();
        if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) return KEYLIB_E_STORE;
        const DWORD waited = GetTickCount() - start;
        if (waited >= budget) {
            rememberBusy();
            return KEYLIB_E_BUSY;
        }
        Sleep(pause < budget - waited ? pause : budget - waited);
        if (pause < 32) pause *= 2;
    }
    locked_ = true;
    readState();
    return KEYLIB_OK;
}

void StoreLock::readState() {
    char text[48] = {};
    DWORD got = 0;
    OVERLAPPED at{};
    if (!ReadFile(file_, text, sizeof text - 1, &got, &at)) return;
    text[got] = '\0';
    // Numbers missing from an older library's text read as 0.
    const char* next = text;
    for (uint32_t* number : {&counter_, &generation_, &loadedGeneration_}) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(next, &end, 10);
        *number = value > 0xFFFFFFFFul ? 0 : static_cast<uint32_t>(value);
        next = end;
    }
}

void StoreLock::recordListWrite(uint32_t next) {
    counter_ = next;
    recordWrite();
}

void StoreLock::recordWrite() {
    ++generation_;
    writeState();
}

void StoreLock::recordLoadedListWrite() {
    ++loadedGeneration_;
    writeState();
}

void StoreLock::writeState() {
    char text[48];
    const int n = std::snprintf(
        text, sizeof text, "%lu %lu %lu\n", static_cast<unsigned long>(counter_),
        static_cast<unsigned long>(generation_), static_cast<unsigned long>(loadedGeneration_));
    DWORD written = 0;
    OVERLAPPED at{};
    // Not flushed: only a system crash could lose it, and plug ids still keep apart what a
    // repeated slot number would mix up.
    if (WriteFile(file_, text, static_cast<DWORD>(n), &written, &at)) {
        SetFilePointer(file_, n, nullptr, FILE_BEGIN);
        SetEndOfFile(file_);
    }
}

}  // namespace keylib
