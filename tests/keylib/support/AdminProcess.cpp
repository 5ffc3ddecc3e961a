#include "tests/keylib/support/AdminProcess.h"

#include <vector>

#include "keylib/dll/StoreFiles.h"

namespace keylibtest {
namespace {

std::string adminPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\')) + "\\keyadmin.exe";
}

HANDLE launch(const std::string& arguments, HANDLE output) {
    std::string commandLine = "\"" + adminPath() + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

HANDLE inheritableFile(const std::string& path, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                       disposition, FILE_ATTRIBUTE_TEMPORARY, nullptr);
}

void waitPumping(HANDLE process) {
    while (MsgWaitForMultipleObjects(1, &process, FALSE, 60000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

}  // namespace

AdminResult runAdmin(const std::string& arguments) {
    AdminResult result;
    char temp[MAX_PATH] = {};
    char file[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    GetTempFileNameA(temp, "kad", 0, file);
    HANDLE output = inheritableFile(file, CREATE_ALWAYS);
    HANDLE process = launch(arguments, output);
    CloseHandle(output);
    if (process != nullptr) {
        waitPumping(process);
        GetExitCodeProcess(process, &result.exitCode);
        CloseHandle(process);
    }
    std::vector<uint8_t> bytes;
    const std::string path(file);
    keylib::readWholeFile(std::wstring(path.begin(), path.end()), bytes);
    result.output.assign(bytes.begin(), bytes.end());
    DeleteFileA(file);
    return result;
}

HANDLE startAdmin(const std::string& arguments) {
    HANDLE nul = inheritableFile("NUL", OPEN_EXISTING);
    HANDLE process = launch(arguments, nul);
    CloseHandle(nul);
    return process;
}

}  // namespace keylibtest
