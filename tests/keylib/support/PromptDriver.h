// Answers the key library's password prompt from a second thread, the way a person would:
// waits for the top-level "#32770" window with the caption, types into its edits and presses
// a button, round after round.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace keylibtest {

struct PromptRound {
    std::vector<std::pair<int, std::string>> entries;  // control id, text
    int button;                                        // IDOK or IDCANCEL
};

class PromptDriver {
public:
    PromptDriver(const std::string& caption, std::vector<PromptRound> rounds);
    ~PromptDriver();
    PromptDriver(const PromptDriver&) = delete;
    PromptDriver& operator=(const PromptDriver&) = delete;

    // Waits for the driver; true when every round was delivered and the prompt then closed.
    bool finish();
    HWND owner() const { return owner_; }
    // The hint text the prompt showed after each round but the last.
    const std::vector<std::string>& hints() const { return hints_; }

private:
    static DWORD WINAPI run(void* self);
    bool drive();

    std::string caption_;
    std::vector<PromptRound> rounds_;
    HANDLE thread_ = nullptr;
    bool answered_ = false;
    HWND owner_ = nullptr;
    std::vector<std::string> hints_;
};

}  // namespace keylibtest
