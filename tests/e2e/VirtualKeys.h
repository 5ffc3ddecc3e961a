// The real program and the real key library on a key store of the test's own,
// with the admin tool to create, change, plug and pull virtual keys.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/driver/Driver.h"

namespace e2e {

class VirtualKeys {
public:
    VirtualKeys();

    // Runs keyadmin with the test's store; its exit code (-1 when it did not end).
    int Admin(const std::vector<std::string>& arguments) const;
    // Starts the program with the test's store.
    driver::Process& Start();
    // Starts it beside the pass-through library, which logs every key-library
    // call and, like the recording library, the program's shell calls.
    driver::Process& StartRecorded();
    std::vector<std::string> Calls() const;
    std::vector<std::string> ShellCalls() const;
    const std::string& Store() const { return m_store.Path(); }

private:
    driver::TempDir m_store;
    driver::TempDir m_logs;
    std::vector<std::unique_ptr<driver::Process>> m_processes;
};

}  // namespace e2e
