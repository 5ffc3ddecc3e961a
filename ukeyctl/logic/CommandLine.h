// ukeyctl's command line: the commands, their options, help texts and exit codes.
// It takes no password: one typed on a command line stays in the shell's history.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ukeyctl {

enum ExitCode : int {
    kExitDone = 0,
    kExitUsage = 1,
    kExitNoKey = 2,
    kExitNotNormal = 3,
    kExitKeyLibError = 4,
};

enum class Command { Help, List, Certs, CheckService, Register, Unregister, ClearSsl, Diag };

struct Invocation {
    Command command = Command::Help;
    Command helpTopic = Command::Help;  // for Help: the command asked about, Help for all
    bool json = false;
    std::uint32_t slot = 0;  // certs --slot N; 0: every key
    std::string outFile;     // diag --out FILE
    std::string error;       // not empty: a usage error, said in this text
};

Invocation ParseCommandLine(const std::vector<std::string>& arguments);

// The help text of one command, or the overview for Command::Help.
const char* HelpText(Command command);

}  // namespace ukeyctl
