#include "keylib/dll/KeyStore.h"

#include <bcrypt.h>
#include <shlobj.h>

#include <algorithm>

#include "keylib/dll/StoreFiles.h"
#include "keylib/dll/logic/KeyFile.h"
#include "keylib/dll/logic/KeyStatus.h"
#include "keylib/dll/logic/StoreCaches.h"
#include "keylib/dll/logic/TextRules.h"

namespace keylib {
namespace {

const char kPluggedFile[] = "plugged.txt";
const char kLoadedFile[] = "loaded-certs.txt";
const char kKeySuffix[] = ".key";

// What this process parsed of its stores, behind one lock: looked at shared, changed alone.
struct Parsed {
    PluggedListCache list;
    LoadedListCache loaded;
    KeyRecordCache keys;
};
SRWLOCK parsedLock = SRWLOCK_INIT;

Parsed& parsed() {
    static Parsed caches;
    return caches;
}

template <class Work>
bool lookAt(Work work) {
    AcquireSRWLockShared(&parsedLock);
    const bool found = work(parsed());
    ReleaseSRWLockShared(&parsedLock);
    return found;
}

template <class Work>
void change(Work work) {
    AcquireSRWLockExclusive(&parsedLock);
    work(parsed());
    ReleaseSRWLockExclusive(&parsedLock);
}

void keepList(const std::wstring& folder, const ListStamp* stamp, const PluggedSet& set) {
    change([&](Parsed& p) {
        if (stamp != nullptr) {
            p.list.keep(folder, *stamp, set);
        } else {
            p.list.forget();
        }
    });
}

std::wstring widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring fullPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    std::wstring result(buffer, n);
    while (result.size() > 3 && (result.back() == L'\\' || result.back() == L'/')) {
        result.pop_back();
    }
    return result;
}

}  // namespace

std::wstring storeFolder() {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"KEYLIB_STORE", buffer, MAX_PATH);
    // A store chosen but unusable must fail, not fall back to the user's own keys.
    if (n >= MAX_PATH) return std::wstring();
    if (n > 0) return fullPath(std::wstring(buffer, n));
    // The user's folder stays where it is while the process runs, and asking the shell costs
    // milliseconds, more than the rest of a call: it is asked until it answers once.
    static SRWLOCK userStoreLock = SRWLOCK_INIT;
    static std::wstring userStore;
    AcquireSRWLockExclusive(&userStoreLock);
    if (userStore.empty() &&
        SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0,
                                   buffer))) {
        userStore = std::wstring(buffer) + L"\\QelmoraKeys";
    }
    std::wstring folder = userStore;
    ReleaseSRWLockExclusive(&userStoreLock);
    return folder;
}

uint32_t drawPlugId(uint64_t& id) {
    return BCRYPT_SUCCESS(BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&id), sizeof id,
                                          BCRYPT_USE_SYSTEM_PREFERRED_RNG))
               ? KEYLIB_OK
               : KEYLIB_E_SYSTEM;
}

// A lock left by a process that died is dropped by the system; every file is replaced whole,
// so the store it leaves is intact.
uint32_t KeyStore::open() {
    folder_ = storeFolder();
    if (folder_.empty()) return KEYLIB_E_STORE;
    const int made = SHCreateDirectoryExW(nullptr, folder_.c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) {
        return KEYLIB_E_STORE;
    }
    return lock_.acquire(folder_);
}

std::wstring KeyStore::path(const std::string& fileName) const {
    return folder_ + L"\\" + widen(fileName);
}

// Every write first clears what writers killed half-way left: under the lock nobody else is
// writing, so each temporary file found is such a leftover.
bool KeyStore::write(const std::wstring& target, const void* data, size_t size,
                     bool durable) const {
    removeLeftovers(folder_);
    return writeFileAtomically(target, data, size, durable);
}

// The lists are not flushed: after a system crash a lost plug or load is redone by hand.
uint32_t KeyStore::writeText(const std::string& fileName, const std::string& text) const {
    return write(path(fileName), text.data(), text.size(), false) ? KEYLIB_OK : KEYLIB_E_STORE;
}

DWORD KeyStore::stampFile(const std::wstring& file, ListStamp& stamp) const {
    return stampFile(file, lock_.generation(), stamp);
}

DWORD KeyStore::stampFile(const std::wstring& file, uint32_t generation, ListStamp& stamp) const {
    stamp.generation = generation;
    stamp.present = false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) return GetLastError();
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ERROR_DIRECTORY;
    stamp.present = true;
    stamp.size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    stamp.writeTime =
        (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    return ERROR_SUCCESS;
}

uint32_t KeyStore::stampPlugged(ListStamp& stamp) const {
    const DWORD error = stampFile(path(kPluggedFile), stamp);
    return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
               ? KEYLIB_OK
               : KEYLIB_E_STORE;
}

uint32_t KeyStore::readPlugged(PluggedSet& set) const {
    ListStamp stamp;
    const uint32_t stamped = stampPlugged(stamp);
    if (stamped != KEYLIB_OK) return stamped;
    if (!lookAt([&](Parsed& p) { return p.list.find(folder_, stamp, set); })) {
        set = PluggedSet{};
        std::vector<uint8_t> bytes;
        if (stamp.present) {
            if (readWholeFile(path(kPluggedFile), bytes) != ReadResult::Ok ||
                !parsePluggedSet(std::string(bytes.begin(), bytes.end()), set)) {
                return KEYLIB_E_STORE;
            }
        }
        keepList(folder_, &stamp, set);
    }
    set.nextSlot = std::max(set.nextSlot, lock_.counter());
    return KEYLIB_OK;
}

uint32_t KeyStore::writePlugged(const PluggedSet& set) {
    const uint32_t status = writeText(kPluggedFile, formatPluggedSet(set));
    if (status != KEYLIB_OK) {
        keepList(folder_, nullptr, set);
        return status;
    }
    lock_.recordListWrite(set.nextSlot);
    ListStamp stamp;
    keepList(folder_, stampPlugged(stamp) == KEYLIB_OK ? &stamp : nullptr, set);
    return KEYLIB_OK;
}

uint32_t KeyStore::repairPlugged(size_t& dropped) {
    std::vector<uint8_t> bytes;
    if (readWholeFile(path(kPluggedFile), bytes) == ReadResult::NotAFile) return KEYLIB_E_STORE;
    PluggedSet set;
    dropped = salvagePluggedSet(std::string(bytes.begin(), bytes.end()), set);
    set.nextSlot = std::max(set.nextSlot, lock_.counter());
    return writePlugged(set);
}

uint32_t KeyStore::resolveSlot(uint32_t slot, PluggedKey& key) const {
    PluggedSet set;
    const uint32_t status = readPlugged(set);
    if (status != KEYLIB_OK) return status;
    const PluggedKey* found = findSlot(set, slot);
    if (slot == 0 || found == nullptr) return KEYLIB_E_BAD_SLOT;
    key = *found;
    return KEYLIB_OK;
}

KeyFileKind KeyStore::keyFileKind(const std::string& name) const {
    const DWORD attributes = GetFileAttributesW(path(name + kKeySuffix).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return KeyFileKind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? KeyFileKind::Directory
                                                        : KeyFileKind::File;
}

uint32_t KeyStore::readKey(const std::string& name, KeyRecord& record) const {
    if (!isValidKeyName(name)) return KEYLIB_E_BAD_ARGUMENT;
    const std::wstring file = path(name + kKeySuffix);
    ListStamp stamp;
    const bool stamped = stampFile(file, stamp) == ERROR_SUCCESS;
    if (stamped && lookAt([&](Parsed& p) { return p.keys.find(file, stamp, record); })) {
        return KEYLIB_OK;
    }
    std::vector<uint8_t> bytes;
    switch (readWholeFile(file, bytes)) {
        case ReadResult::Missing:
        case ReadResult::NotAFile:
        case ReadResult::TooLarge:
            return KEYLIB_E_DAMAGED_KEY;
        case ReadResult::Failed:  // held by another process, or the disk failed: not damage
            return KEYLIB_E_STORE;
        case ReadResult::Ok:
            break;
    }
    if (parseKeyFile(bytes.data(), bytes.size(), record) != ParseResult::Ok) {
        return KEYLIB_E_DAMAGED_KEY;
    }
    // Stamped before the read: a file changed in between is read again next time.
    if (stamped) change([&](Parsed& p) { p.keys.keep(file, stamp, record); });
    return KEYLIB_OK;
}

uint32_t KeyStore::writeKey(const std::string& name, const KeyRecord& record) {
    if (!isValidKeyName(name) || !validateRecord(record)) return KEYLIB_E_BAD_ARGUMENT;
    const std::vector<uint8_t> bytes = serializeKeyFile(record);
    // Whatever came of it, copies kept by other processes are no longer to be trusted.
    const bool written = write(path(name + kKeySuffix), bytes.data(), bytes.size(), true);
    lock_.recordWrite();
    return written ? KEYLIB_OK : KEYLIB_E_STORE;
}

uint32_t KeyStore::deleteKey(const std::string& name) {
    if (!isValidKeyName(name)) return KEYLIB_E_BAD_ARGUMENT;
    const bool deleted = DeleteFileW(path(name + kKeySuffix).c_str()) != 0;
    const DWORD error = GetLastError();
    lock_.recordWrite();
    if (deleted) return KEYLIB_OK;
    return error == ERROR_FILE_NOT_FOUND ? KEYLIB_E_NOT_FOUND : KEYLIB_E_STORE;
}

std::vector<std::string> KeyStore::keyNames() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path(std::string("*") + kKeySuffix).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring file = found.cFileName;
        const size_t suffix = sizeof kKeySuffix - 1;
        if (file.size() <= suffix || file.compare(file.size() - suffix, suffix, L".key") != 0) {
            continue;
        }
        std::string name;
        bool ascii = true;
        for (size_t i = 0; i + suffix < file.size(); ++i) {
            ascii = ascii && file[i] < 0x80;
            name += static_cast<char>(file[i]);
        }
        if (ascii && isValidKeyName(name)) names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool KeyStore::stampLoaded(ListStamp& stamp) const {
    const DWORD error = stampFile(path(kLoadedFile), lock_.loadedGeneration(), stamp);
    return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

void KeyStore::keepLoaded(const std::vector<Thumbprint>& list) const {
    ListStamp stamp;
    const bool stamped = stampLoaded(stamp);
    change([&](Parsed& p) {
        if (stamped) {
            p.loaded.keep(folder_, stamp, list);
        } else {
            p.loaded.forget();
        }
    });
}

std::vector<Thumbprint> KeyStore::readLoadedCertificates() const {
    std::vector<Thumbprint> list;
    ListStamp stamp;
    const bool stamped = stampLoaded(stamp);
    if (stamped && lookAt([&](Parsed& p) { return p.loaded.find(folder_, stamp, list); })) {
        return list;
    }
    std::vector<uint8_t> bytes;
    const ReadResult read = readWholeFile(path(kLoadedFile), bytes);
    if (read != ReadResult::Ok && read != ReadResult::Missing) return {};
    list = parseThumbprints(std::string(bytes.begin(), bytes.end()));
    // Stamped before the read: a file changed in between is read again next time.
    if (stamped) change([&](Parsed& p) { p.loaded.keep(folder_, stamp, list); });
    return list;
}

uint32_t KeyStore::writeLoadedCertificates(const std::vector<Thumbprint>& list) {
    const uint32_t status = writeText(kLoadedFile, formatThumbprints(list));
    // Whatever came of it, copies kept by other processes are no longer to be trusted.
    lock_.recordLoadedListWrite();
    if (status == KEYLIB_OK) {
        keepLoaded(list);
    } else {
        change([](Parsed& p) { p.loaded.forget(); });
    }
    return status;
}

uint32_t KeyStore::appendLoadedCertificates(const std::vector<Thumbprint>& added) {
    // The list as this process parsed it, to keep with the added lines once they are written.
    std::vector<Thumbprint> list;
    ListStamp before;
    const bool known = stampLoaded(before) &&
                       lookAt([&](Parsed& p) { return p.loaded.find(folder_, before, list); });
    HANDLE file =
        CreateFileW(path(kLoadedFile).c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return KEYLIB_E_STORE;
    // A line cut short by a crash ends here first, so that it spoils no added line.
    std::string text = formatThumbprints(added);
    char last = '\n';
    DWORD got = 0;
    if (SetFilePointer(file, -1, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
        ReadFile(file, &last, 1, &got, nullptr) && got == 1 && last != '\n') {
        text.insert(text.begin(), '\n');
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    if (!CloseHandle(file) || !ok) return KEYLIB_E_STORE;
    if (known) {
        list.insert(list.end(), added.begin(), added.end());
        keepLoaded(list);
    }
    return KEYLIB_OK;
}

}  // namespace keylib
