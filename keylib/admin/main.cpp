// keyadmin: creates and edits the virtual keys of the key library's store, and plugs and
// pulls them.
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "keylib/admin/Commands.h"
#include "keylib/admin/Report.h"

using namespace keyadmin;

namespace {

const char kUsage[] =
    "usage: keyadmin [--store DIR] COMMAND ...\n"
    "\n"
    "  list                                   keys in the store, plugged or not\n"
    "  show KEY                               everything a key holds\n"
    "  create KEY --label TEXT --password PW [--tries N] [--status N] [--initial]\n"
    "  set KEY [--label TEXT] [--password PW] [--tries N] [--tries-left N]\n"
    "          [--status N] [--initial on|off]\n"
    "  cert KEY CONTAINER KIND FILE           put a DER or PEM certificate of kind 1 or 2\n"
    "                                         into a container (made if needed)\n"
    "  drop-container KEY CONTAINER           remove a container and its certificates\n"
    "  file KEY ID (--text TEXT | --from FILE)  write file ID (hex; EF11 = launch text)\n"
    "  drop-file KEY ID                       remove a file\n"
    "  plug KEY                               plug a key in (announced to all windows)\n"
    "  pull KEY                               pull a key out (announced to all windows)\n"
    "  delete KEY                             delete a pulled key\n"
    "  repair                                 rebuild a damaged list of plugged-in keys,\n"
    "                                         keeping every key and every intact line\n"
    "  unload-certs                           remove the certificates the key library put\n"
    "                                         into the user's store\n"
    "\n"
    "KEY is a name of 1-64 of A-Z a-z 0-9 _ - . ; the label is 1-15 bytes and the password\n"
    "8-16 bytes of GBK text; tries are 1-15 (default 6). The store is DIR, else the folder in\n"
    "%KEYLIB_STORE%, else %LOCALAPPDATA%\\QelmoraKeys.\n";

using Handler = int (*)(const CommandLine&);

struct Command {
    CommandSyntax syntax;
    Handler handler;
};

const std::map<std::string, Command>& commands() {
    static const std::map<std::string, Command> table = {
        {"list", {{0, {}, {}}, listKeys}},
        {"show", {{1, {}, {}}, showKey}},
        {"create", {{1, {"label", "password", "tries", "status"}, {"initial"}}, createKey}},
        {"set",
         {{1, {"label", "password", "tries", "tries-left", "status", "initial"}, {}}, setKey}},
        {"cert", {{4, {}, {}}, putCertificate}},
        {"drop-container", {{2, {}, {}}, dropContainer}},
        {"file", {{2, {"text", "from"}, {}}, putFile}},
        {"drop-file", {{2, {}, {}}, dropFile}},
        {"plug", {{1, {}, {}}, plugKey}},
        {"pull", {{1, {}, {}}, pullKey}},
        {"delete", {{1, {}, {}}, deleteKey}},
        {"repair", {{0, {}, {}}, repairPluggedList}},
        {"unload-certs", {{0, {}, {}}, unloadCertificates}},
    };
    return table;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    std::map<std::string, CommandSyntax> syntax;
    for (const auto& entry : commands()) syntax[entry.first] = entry.second.syntax;
    CommandLine line;
    std::string error;
    if (!parseCommandLine(args, syntax, line, error)) {
        std::fprintf(stderr, "keyadmin: %s\n\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (line.has("store") &&
        !SetEnvironmentVariableA("KEYLIB_STORE", line.options.at("store").c_str())) {
        return fail("cannot use store " + line.options.at("store"));
    }
    return commands().at(line.command).handler(line);
}
