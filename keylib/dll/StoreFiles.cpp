#include "keylib/dll/StoreFiles.h"

#include <windows.h>

#include "keylib/dll/logic/TempNames.h"

namespace keylib {
namespace {

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (valid()) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    bool close() {
        const bool ok = CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

bool writeAll(HANDLE file, const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size);
        if (!WriteFile(file, p, chunk, &written, nullptr) || written == 0) return false;
        p += written;
        size -= written;
    }
    return true;
}

}  // namespace

ReadResult readWholeFile(const std::wstring& path, std::vector<uint8_t>& bytes) {
    Handle file(CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return ReadResult::Missing;
        }
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                   ? ReadResult::NotAFile
                   : ReadResult::Failed;
    }
    // A name that leads to a device (a link to one) holds no file of ours.
    if (GetFileType(file.get()) != FILE_TYPE_DISK) return ReadResult::NotAFile;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) return ReadResult::Failed;
    if (size.QuadPart > LONGLONG(kMaxStoreFileSize)) return ReadResult::TooLarge;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                      &got, nullptr)) {
            return ReadResult::Failed;
        }
        if (got == 0) break;
        done += got;
    }
    // A file that shrank while being read reports what was there.
    bytes.resize(done);
    return ReadResult::Ok;
}

bool writeFileAtomically(const std::wstring& path, const void* data, size_t size, bool durable) {
    const std::string suffix = temporaryName("", GetCurrentProcessId(), GetCurrentThreadId());
    const std::wstring temp = path + std::wstring(suffix.begin(), suffix.end());
    {
        Handle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) return false;
        const bool written =
            writeAll(file.get(), data, size) && (!durable || FlushFileBuffers(file.get()));
        if (!file.close() || !written) {
            DeleteFileW(temp.c_str());
            return false;
        }
    }
    if (!MoveFileExW(temp.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0))) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

void removeLeftovers(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*.tmp*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name;
        for (const wchar_t* c = found.cFileName; *c != L'\0'; ++c) {
            name += *c < 0x80 ? static_cast<char>(*c) : '?';
        }
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && isTemporaryName(name)) {
            DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace keylib
