// Splitting the admin tool's arguments into a command, its operands and its options.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace keyadmin {

struct CommandLine {
    std::string command;
    std::vector<std::string> operands;
    std::map<std::string, std::string> options;  // "--name value", without the dashes
    std::set<std::string> switches;              // "--name" alone

    bool has(const std::string& option) const { return options.count(option) != 0; }
};

struct CommandSyntax {
    size_t operands = 0;
    std::set<std::string> options;
    std::set<std::string> switches;
};

// args excludes the program name. A global "--store DIR" may come before the command and is
// returned as an option. Fails with a one-line error for an unknown command's syntax, a
// missing value, an unknown or repeated option, or the wrong number of operands.
bool parseCommandLine(const std::vector<std::string>& args,
                      const std::map<std::string, CommandSyntax>& syntax, CommandLine& out,
                      std::string& error);

// Decimal, or hexadecimal after "0x"; at most max.
bool parseNumber(const std::string& text, uint32_t max, uint32_t& value);
// A file id: hexadecimal with or without "0x" (EF11, 0xef11).
bool parseFileId(const std::string& text, uint16_t& id);

}  // namespace keyadmin
