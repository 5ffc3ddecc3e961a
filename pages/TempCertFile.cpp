#include "pages/TempCertFile.h"

#include <windows.h>

#include <cwchar>
#include <iterator>

namespace {

// The file last written, told apart from anything put at its name since.
struct WrittenFile {
    wchar_t path[MAX_PATH];
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
};
WrittenFile g_tempCertFile = {};

bool SameFile(const BY_HANDLE_FILE_INFORMATION& info, const WrittenFile& file) {
    return info.dwVolumeSerialNumber == file.volume && info.nFileIndexHigh == file.indexHigh &&
           info.nFileIndexLow == file.indexLow;
}

// A name whose next open or write could land elsewhere: a reparse point, or a
// file that other names share.
bool IsLinked(const wchar_t* path) {
    const DWORD attributes = ::GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    HANDLE file = ::CreateFileW(path, FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool linked = !::GetFileInformationByHandle(file, &info) ||
                        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
                        info.nNumberOfLinks > 1;
    ::CloseHandle(file);
    return linked;
}

// Deletes through a handle checked to be that very file, so a name swapped in
// meanwhile is never deleted, nor what it points at.
void DeleteIfWritten(const WrittenFile& written) {
    if (written.path[0] == L'\0') return;
    HANDLE file = ::CreateFileW(written.path, DELETE | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    BY_HANDLE_FILE_INFORMATION info;
    if (::GetFileInformationByHandle(file, &info) && SameFile(info, written)) {
        FILE_DISPOSITION_INFO disposition = {TRUE};
        ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
    }
    ::CloseHandle(file);
}

// Writes a new file that no other name can have led to; its identity goes to `written`.
bool WriteFresh(const wchar_t* path, const std::uint8_t* bytes, std::uint32_t length,
                WrittenFile& written) {
    HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = ::WriteFile(file, bytes, length, &done, nullptr) && done == length &&
                    ::GetFileInformationByHandle(file, &info);
    ::CloseHandle(file);
    if (!ok) {
        ::DeleteFileW(path);
        return false;
    }
    written.volume = info.dwVolumeSerialNumber;
    written.indexHigh = info.nFileIndexHigh;
    written.indexLow = info.nFileIndexLow;
    return true;
}

}  // namespace

bool WriteTempCertFile(const wchar_t* path, const std::uint8_t* bytes, std::uint32_t length) {
    if (IsLinked(path)) return false;
    RemoveTempCertFile();

    // Beside the name, so that taking its place is a rename within one folder.
    static unsigned counter = 0;
    wchar_t fresh[MAX_PATH];
    const int size = std::swprintf(fresh, std::size(fresh), L"%ls.%lu-%u.tmp", path,
                                   ::GetCurrentProcessId(), ++counter);
    if (size < 0 || static_cast<std::size_t>(size) >= std::size(fresh)) return false;
    WrittenFile written = {};
    if (!WriteFresh(fresh, bytes, length, written)) return false;
    // A rename replaces the entry at the name, a link included, never its target.
    if (!::MoveFileExW(fresh, path, MOVEFILE_REPLACE_EXISTING)) {
        ::DeleteFileW(fresh);
        return false;
    }
    std::swprintf(written.path, std::size(written.path), L"%ls", path);
    g_tempCertFile = written;
    return true;
}

void RemoveTempCertFile() {
    DeleteIfWritten(g_tempCertFile);
    g_tempCertFile = {};
}
