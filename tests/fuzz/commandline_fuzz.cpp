// keyadmin's command line: any arguments are refused with a message or parsed
// into a command of the table with its operands and known options, and
// numbers and file ids are read within their bounds.
#include <map>
#include <vector>

#include "keylib/admin/logic/CommandLine.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

// Commands of each shape: no operand, operands with options and a switch, several operands.
const std::map<std::string, keyadmin::CommandSyntax> kSyntax = {
    {"list", {0, {}, {}}}, {"create", {1, {"label", "tries"}, {"initial"}}}, {"cert", {4, {}, {}}}};

void Arguments(const std::string& bytes) {
    std::vector<std::string> args;
    for (std::size_t at = 0; at <= bytes.size();) {
        const std::size_t end = std::min(bytes.find('\0', at), bytes.size());
        args.push_back(bytes.substr(at, end - at));
        at = end + 1;
    }
    keyadmin::CommandLine line;
    std::string error;
    if (!keyadmin::parseCommandLine(args, kSyntax, line, error)) {
        fuzz::Check(!error.empty(), "a refusal says why");
        return;
    }
    const auto known = kSyntax.find(line.command);
    fuzz::Check(known != kSyntax.end(), "a known command");
    fuzz::Check(line.operands.size() == known->second.operands, "its operands");
    for (const auto& [name, value] : line.options) {
        fuzz::Check(name == "store" || known->second.options.count(name) != 0, "its options");
    }
    for (const std::string& name : line.switches) {
        fuzz::Check(known->second.switches.count(name) != 0, "its switches");
    }
}

void Numbers(const std::string& text, std::uint32_t max) {
    std::uint32_t value = 0;
    if (keyadmin::parseNumber(text, max, value)) {
        fuzz::Check(value <= max, "a number within its bound");
        std::uint32_t again = 0;
        fuzz::Check(keyadmin::parseNumber(std::to_string(value), max, again) && again == value,
                    "the number written in decimal reads back");
    }
    std::uint16_t id = 0;
    if (keyadmin::parseFileId(text, id)) {
        fuzz::Check(!text.empty() && text.size() <= 12, "a file id of a few digits");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const std::uint32_t max = input.Take<std::uint32_t>();
    const std::string rest = input.Rest();
    Arguments(rest);
    Numbers(rest.substr(0, 32), max);
    return 0;
}
