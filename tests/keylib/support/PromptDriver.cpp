#include "tests/keylib/support/PromptDriver.h"

#include "keylib/dll/PasswordPromptIds.h"

namespace keylibtest {
namespace {

template <class Condition>
bool waitFor(Condition condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

}  // namespace

PromptDriver::PromptDriver(const std::string& caption, std::vector<PromptRound> rounds)
    : caption_(caption), rounds_(std::move(rounds)) {
    thread_ = CreateThread(nullptr, 0, &PromptDriver::run, this, 0, nullptr);
}

PromptDriver::~PromptDriver() { finish(); }

bool PromptDriver::finish() {
    if (thread_ != nullptr) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    return answered_;
}

DWORD WINAPI PromptDriver::run(void* self) {
    auto* driver = static_cast<PromptDriver*>(self);
    driver->answered_ = driver->drive();
    return 0;
}

bool PromptDriver::drive() {
    HWND prompt = nullptr;
    if (!waitFor(
            [&] {
                prompt = FindWindowA("#32770", caption_.c_str());
                return prompt != nullptr && IsWindowVisible(prompt);
            },
            10000)) {
        return false;
    }
    owner_ = GetWindow(prompt, GW_OWNER);
    for (size_t i = 0; i < rounds_.size(); ++i) {
        for (const auto& entry : rounds_[i].entries) {
            SendMessageA(GetDlgItem(prompt, entry.first), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(entry.second.c_str()));
        }
        PostMessageA(GetDlgItem(prompt, rounds_[i].button), BM_CLICK, 0, 0);
        if (i + 1 == rounds_.size()) break;
        // A refused entry leaves the prompt open; give it time to show why.
        Sleep(300);
        if (!IsWindow(prompt)) return false;
        char hint[256] = {};
        GetDlgItemTextA(prompt, KEYLIB_IDC_PROMPT_HINT, hint, sizeof hint);
        hints_.push_back(hint);
    }
    return waitFor([&] { return !IsWindow(prompt); }, 5000);
}

}  // namespace keylibtest
