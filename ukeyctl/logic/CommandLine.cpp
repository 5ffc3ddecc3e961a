#include "ukeyctl/logic/CommandLine.h"

#include <cerrno>
#include <cstdlib>

namespace ukeyctl {
namespace {

struct CommandName {
    const char* name;
    Command command;
    bool json;  // takes --json
};

constexpr CommandName kCommands[] = {
    {"help", Command::Help, false},          {"list", Command::List, true},
    {"certs", Command::Certs, true},         {"check-service", Command::CheckService, false},
    {"register", Command::Register, false},  {"unregister", Command::Unregister, false},
    {"clear-ssl", Command::ClearSsl, false}, {"diag", Command::Diag, true},
};

const CommandName* Find(const std::string& name) {
    for (const CommandName& c : kCommands) {
        if (name == c.name) return &c;
    }
    return nullptr;
}

bool ParseSlot(const std::string& text, std::uint32_t* slot) {
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value == 0 || value > 0xFFFFFFFFull) return false;
    *slot = static_cast<std::uint32_t>(value);
    return true;
}

Invocation Usage(const std::string& error) {
    Invocation invocation;
    invocation.error = error;
    return invocation;
}

}  // namespace

Invocation ParseCommandLine(const std::vector<std::string>& arguments) {
    Invocation invocation;
    if (arguments.empty()) return Usage("no command given");
    if (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "/?") {
        return arguments.size() == 1 ? invocation : Usage("--help takes nothing after it");
    }
    const CommandName* command = Find(arguments[0]);
    if (!command) return Usage("unknown command: " + arguments[0]);

    if (command->command == Command::Help) {
        if (arguments.size() > 2) return Usage("help takes one command");
        if (arguments.size() == 2) {
            const CommandName* topic = Find(arguments[1]);
            if (!topic) return Usage("unknown command: " + arguments[1]);
            invocation.helpTopic = topic->command;
        }
        return invocation;
    }

    invocation.command = command->command;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (option == "--help" || option == "-h") {
            Invocation help;
            help.helpTopic = command->command;
            return help;
        } else if (option == "--json" && command->json) {
            invocation.json = true;
        } else if (option == "--slot" && command->command == Command::Certs) {
            if (!hasValue || !ParseSlot(arguments[++i], &invocation.slot)) {
                return Usage("--slot needs a key's slot number (not 0)");
            }
        } else if (option == "--out" && command->command == Command::Diag) {
            if (!hasValue || arguments[i + 1].empty()) return Usage("--out needs a file name");
            invocation.outFile = arguments[++i];
        } else {
            return Usage(std::string(command->name) + " does not take " + option);
        }
    }
    return invocation;
}

const char* HelpText(Command command) {
    switch (command) {
        case Command::Help:
            break;
        case Command::List:
            return "ukeyctl list [--json]\n"
                   "  One line per plugged-in key: slot, label and status.\n"
                   "  Exit code 2 when no key is plugged in.\n";
        case Command::Certs:
            return "ukeyctl certs [--slot N] [--json]\n"
                   "  The certificates of every key (or of the key in slot N), per container\n"
                   "  and kind: subject, issuer, serial number, validity, SHA-1 thumbprint.\n"
                   "  Exit code 2 when no key (or none in slot N) is plugged in.\n";
        case Command::CheckService:
            return "ukeyctl check-service\n"
                   "  Checks the smart-card service SCardSvr and starts it when it is stopped.\n"
                   "  Exit code 3 when it does not run.\n";
        case Command::Register:
            return "ukeyctl register\n"
                   "  Registers the certificates of the plugged-in keys in the user's personal\n"
                   "  store, as the key tool does when a key is plugged in. A key still on its\n"
                   "  initial password asks for a new one in the key library's own prompt.\n"
                   "  Exit code 2 when no key is plugged in.\n";
        case Command::Unregister:
            return "ukeyctl unregister\n"
                   "  Removes the certificates the key library registered.\n";
        case Command::ClearSsl:
            return "ukeyctl clear-ssl\n"
                   "  Clears the secure-channel (SSL) session caches of the system and the\n"
                   "  browser, as the key tool does when a key is pulled out.\n";
        case Command::Diag:
            return "ukeyctl diag [--out FILE] [--json]\n"
                   "  The diagnostics report for support: versions, code pages, keys with\n"
                   "  their certificates, registered certificates against those on the keys,\n"
                   "  the smart-card service, the failed-device registry entries and the last\n"
                   "  200 lines of the key tool's log. --out writes it to FILE (UTF-8).\n";
    }
    return "ukeyctl: the Qelmora UsbKey tool on the command line\n"
           "\n"
           "  ukeyctl list [--json]              plugged-in keys\n"
           "  ukeyctl certs [--slot N] [--json]  certificates on the keys\n"
           "  ukeyctl check-service              smart-card service check\n"
           "  ukeyctl register                   register the keys' certificates\n"
           "  ukeyctl unregister                 remove the registered certificates\n"
           "  ukeyctl clear-ssl                  clear the SSL session caches\n"
           "  ukeyctl diag [--out FILE] [--json] diagnostics report\n"
           "  ukeyctl help COMMAND               more about one command\n"
           "\n"
           "Exit codes: 0 done, 1 usage error, 2 no key plugged in, 3 check not normal,\n"
           "4 key-library error (its status word is printed).\n"
           "No command takes a password; the key library asks for one itself.\n"
           "Texts go to a console in Unicode, and to a pipe or file as UTF-8.\n";
}

}  // namespace ukeyctl
