#include "keylib/admin/logic/CommandLine.h"

namespace keyadmin {
namespace {

bool isOption(const std::string& arg) { return arg.size() > 2 && arg.compare(0, 2, "--") == 0; }

bool parseDigits(const std::string& text, uint32_t base, uint32_t max, uint32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t v = 0;
    for (char c : text) {
        uint32_t digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<uint32_t>(c - 'A' + 10);
        } else {
            return false;
        }
        if (digit >= base) return false;
        v = v * base + digit;
    }
    if (v > max) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool hasHexPrefix(const std::string& text) {
    return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

}  // namespace

bool parseCommandLine(const std::vector<std::string>& args,
                      const std::map<std::string, CommandSyntax>& syntax, CommandLine& out,
                      std::string& error) {
    CommandLine line;
    size_t i = 0;
    if (i < args.size() && args[i] == "--store") {
        if (i + 1 >= args.size()) {
            error = "--store needs a folder";
            return false;
        }
        line.options["store"] = args[i + 1];
        i += 2;
    }
    if (i >= args.size()) {
        error = "no command given";
        return false;
    }
    line.command = args[i++];
    const auto known = syntax.find(line.command);
    if (known == syntax.end()) {
        error = "unknown command '" + line.command + "'";
        return false;
    }
    const CommandSyntax& rules = known->second;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!isOption(arg)) {
            line.operands.push_back(arg);
            continue;
        }
        const std::string name = arg.substr(2);
        if (line.has(name) || line.switches.count(name) != 0) {
            error = "option " + arg + " given twice";
            return false;
        }
        if (rules.switches.count(name) != 0) {
            line.switches.insert(name);
        } else if (rules.options.count(name) != 0) {
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a value";
                return false;
            }
            line.options[name] = args[++i];
        } else {
            error = "'" + line.command + "' has no option " + arg;
            return false;
        }
    }
    if (line.operands.size() != rules.operands) {
        error = "'" + line.command + "' takes " + std::to_string(rules.operands) +
                " operand(s), got " + std::to_string(line.operands.size());
        return false;
    }
    out = line;
    return true;
}

bool parseNumber(const std::string& text, uint32_t max, uint32_t& value) {
    return hasHexPrefix(text) ? parseDigits(text.substr(2), 16, max, value)
                              : parseDigits(text, 10, max, value);
}

bool parseFileId(const std::string& text, uint16_t& id) {
    uint32_t value = 0;
    if (!parseDigits(hasHexPrefix(text) ? text.substr(2) : text, 16, 0xFFFF, value)) return false;
    id = static_cast<uint16_t>(value);
    return true;
}

}  // namespace keyadmin
