// ukeyctl: the key tool's work on the command line, for people and scripts
// at the bank's support. Exit codes are in ukeyctl/logic/CommandLine.h.
#include <windows.h>

#include "device/SecureChannelCache.h"
#include "device/ServiceCheck.h"
#include "device/logic/KeyEvents.h"
#include "device/logic/ServiceCheck.h"
#include "keylib/KeyLib.h"
#include "keylib/logic/SlotTable.h"
#include "keys/CertDecoderCrypt32.h"
#include "log/Log.h"
#include "log/Versions.h"
#include "log/logic/LogLines.h"
#include "keys/KeyLibrary.h"
#include "text/CodePages.h"
#include "ukeyctl/Console.h"
#include "ukeyctl/KeyLibDirectory.h"
#include "ukeyctl/WindowsFacts.h"
#include "ukeyctl/logic/CommandLine.h"
#include "ukeyctl/logic/Report.h"

using namespace ukeyctl;

namespace {

int KeyLibFailure(const KeyLibError& error) {
    PrintText(Stream::Err, ErrorText(error) + "\n");
    return kExitKeyLibError;
}

// Registration as on plug-in; the first call that did not answer 0 is kept.
class Registrar : public keytool::CertRegistrar {
public:
    void UnloadCerts() override { Keep("CSP_UnloadIECert", 0, CSP_UnloadIECert()); }
    void ChangeInitPassword(std::uint32_t slot) override {
        Keep("CSP_ChangeInitPassword", slot, CSP_ChangeInitPassword(slot));
    }
    std::uint32_t GetSlotStatus(std::uint32_t slot, std::uint32_t* status) override {
        return Keep("CSP_GetSlotStatus", slot, CSP_GetSlotStatus(slot, status));
    }
    void LoadCerts(std::uint32_t slot) override {
        Keep("CSP_LoadCertToIE", slot, CSP_LoadCertToIE(slot, 3));
    }
    KeyLibError error;

private:
    std::uint32_t Keep(const char* call, std::uint32_t slot, std::uint32_t status) {
        LoggedKeyLib(call, slot, status);
        if (status != 0 && error.status == 0) error = {call, slot, status};
        return status;
    }
};

Inventory Read(bool withCerts, std::uint32_t onlySlot = 0) {
    KeyLibDirectory directory;
    KeyLibrary library;
    Crypt32CertDecoder decoder;
    return ReadInventory(directory, library, decoder, keytool::Utf8FromGbk, withCerts, onlySlot);
}

int InventoryExit(const Inventory& inventory) {
    if (!inventory.errors.empty()) return kExitKeyLibError;
    if (inventory.keys.empty()) return kExitNoKey;
    return FirstError(inventory) ? kExitKeyLibError : kExitDone;
}

int ListOrCerts(const Invocation& invocation) {
    const bool certs = invocation.command == Command::Certs;
    const Inventory inventory = Read(certs, invocation.slot);
    if (invocation.json) {
        PrintText(Stream::Out, certs ? CertsJson(inventory) : ListJson(inventory));
    } else {
        PrintText(Stream::Out, certs ? CertsText(inventory) : ListText(inventory));
    }
    return InventoryExit(inventory);
}

int Register() {
    std::uint32_t count = 0;
    const std::uint32_t listed =
        LoggedKeyLib("CSP_GetSlotList", 0, CSP_GetSlotList(g_dwSlots, &count));
    if (listed != 0) return KeyLibFailure({"CSP_GetSlotList", 0, listed});
    if (count == 0) {
        PrintText(Stream::Err, "no key plugged in\n");
        return kExitNoKey;
    }
    Registrar registrar;
    registrar.UnloadCerts();
    keytool::LoadKeyCerts(registrar, g_dwSlots, count);
    if (registrar.error.status != 0) return KeyLibFailure(registrar.error);
    PrintText(Stream::Out, "registered the certificates of " + std::to_string(count) + " key(s)\n");
    return kExitDone;
}

int Unregister() {
    const std::uint32_t status = LoggedKeyLib("CSP_UnloadIECert", 0, CSP_UnloadIECert());
    if (status != 0) return KeyLibFailure({"CSP_UnloadIECert", 0, status});
    PrintText(Stream::Out, "removed the registered certificates\n");
    return kExitDone;
}

int ClearSsl() {
    ClearSecureChannelCache();
    PrintText(Stream::Out, "cleared the SSL session caches\n");
    return kExitDone;
}

int CheckServiceCommand() {
    const bool normal = CheckService(keytool::kSmartCardService) == 0;
    PrintText(Stream::Out, std::string("smart-card service SCardSvr: ") +
                               (normal ? "normal" : "not normal") + "\n");
    return normal ? kExitDone : kExitNotNormal;
}

int Diag(const Invocation& invocation) {
    DiagReport report;
    report.toolVersion = ProgramVersion();
    report.keyLibVersion = KeyLibVersion();
    report.windowsVersion = WindowsVersion();
    report.ansiCodePage = ::GetACP();
    report.consoleCodePage = ::GetConsoleOutputCP();
    report.inventory = Read(true);
    report.registered = RegisteredCerts();
    report.serviceState = SmartCardServiceState();
    report.failedDeviceEntries = FailedDeviceEntries();
    report.logLines = keytool::LastLogLines(ReadWholeFile(PreviousLogFilePath()),
                                            ReadWholeFile(LogFilePath()), keytool::kLogTailLines);

    if (invocation.outFile.empty()) {
        PrintText(Stream::Out, invocation.json ? DiagJson(report) : DiagText(report));
        return kExitDone;
    }
    // A file travels to support: a byte-order mark marks the text form as UTF-8.
    const std::string bytes =
        invocation.json ? DiagJson(report) : "\xEF\xBB\xBF" + DiagText(report);
    if (!WriteWholeFile(invocation.outFile, bytes)) {
        PrintText(Stream::Err, "cannot write " + invocation.outFile + "\n");
        return kExitUsage;
    }
    PrintText(Stream::Out, "report written to " + invocation.outFile + "\n");
    return kExitDone;
}

}  // namespace

int main() {
    const std::vector<std::string> arguments = Arguments();
    const Invocation invocation = ParseCommandLine(arguments);
    if (!invocation.error.empty()) {
        PrintText(Stream::Err, "ukeyctl: " + invocation.error + "\n\n" + HelpText(Command::Help));
        return kExitUsage;
    }
    if (invocation.command == Command::Help) {
        PrintText(Stream::Out, HelpText(invocation.helpTopic));
        return kExitDone;
    }
    LogLine("ukeyctl %s", arguments.front().c_str());
    switch (invocation.command) {
        case Command::List:
        case Command::Certs:
            return ListOrCerts(invocation);
        case Command::Register:
            return Register();
        case Command::Unregister:
            return Unregister();
        case Command::ClearSsl:
            return ClearSsl();
        case Command::CheckService:
            return CheckServiceCommand();
        case Command::Diag:
            return Diag(invocation);
        case Command::Help:
            break;
    }
    return kExitUsage;
}
