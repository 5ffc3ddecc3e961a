#include "ukeyctl/logic/Report.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <set>

#include "device/logic/ServiceCheck.h"
#include "log/logic/LogLines.h"
#include "text/logic/Utf8Text.h"

namespace ukeyctl {
namespace {

using nlohmann::json;

std::string Shown(const std::string& text) { return keytool::PrintableText(text, kShownNameChars); }

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", unsigned{value});
    return text;
}

std::string KeyHeading(const KeyEntry& key) {
    std::string line = "slot " + std::to_string(key.slot) + ": " + Shown(key.label);
    if (key.statusKnown) line += " (status " + std::to_string(key.status) + ")";
    for (const KeyLibError& error : key.errors) line += "\n  " + ErrorText(error);
    return line + "\n";
}

std::string InventoryErrors(const Inventory& inventory) {
    std::string text;
    for (const KeyLibError& error : inventory.errors) text += ErrorText(error) + "\n";
    if (inventory.errors.empty() && inventory.keys.empty()) text += "no key plugged in\n";
    return text;
}

std::string CertLines(const KeyEntry& key, const std::string& indent) {
    std::string text;
    for (const KeyCert& cert : key.certs) {
        text += indent + "container " + Shown(cert.container) + ", kind " +
                std::to_string(cert.kind) + "\n";
        if (!cert.decoded) {
            text += indent + "  not a readable certificate\n";
            continue;
        }
        const CertDetails& d = cert.details;
        text += indent + "  subject:    " + Shown(d.subject) + "\n";
        text += indent + "  issuer:     " + Shown(d.issuer) + "\n";
        text += indent + "  serial:     " + d.serial + "\n";
        text += indent + "  valid from: " + d.fromLocal + "\n";
        text += indent + "  valid to:   " + d.toLocal + "\n";
        text += indent + "  thumbprint: " + d.thumbprint + "\n";
    }
    return text;
}

json Errors(const std::vector<KeyLibError>& errors) {
    json list = json::array();
    for (const KeyLibError& e : errors) {
        list.push_back({{"call", e.call}, {"slot", e.slot}, {"status", Hex(e.status)}});
    }
    return list;
}

json KeyJson(const KeyEntry& key, bool withCerts) {
    json entry = {{"slot", key.slot}, {"label", key.label}};
    entry["status"] = key.statusKnown ? json(key.status) : json(nullptr);
    entry["errors"] = Errors(key.errors);
    if (!withCerts) return entry;
    json containers = json::array();
    for (const std::string& name : key.containers) {
        json certs = json::array();
        for (const KeyCert& cert : key.certs) {
            if (cert.container != name) continue;
            json c = {{"kind", cert.kind}, {"readable", cert.decoded}};
            if (cert.decoded) {
                const CertDetails& d = cert.details;
                c["subject"] = d.subject;
                c["issuer"] = d.issuer;
                c["serial"] = d.serial;
                c["validFrom"] = {{"local", d.fromLocal}, {"utc", d.fromUtc}};
                c["validTo"] = {{"local", d.toLocal}, {"utc", d.toUtc}};
                c["thumbprint"] = d.thumbprint;
            }
            certs.push_back(c);
        }
        containers.push_back({{"name", name}, {"certificates", certs}});
    }
    entry["containers"] = containers;
    return entry;
}

json InventoryJson(const Inventory& inventory, bool withCerts) {
    json keys = json::array();
    for (const KeyEntry& key : inventory.keys) keys.push_back(KeyJson(key, withCerts));
    return {{"keys", keys}, {"errors", Errors(inventory.errors)}};
}

json StoreCertsJson(const std::vector<StoreCert>& certs) {
    json list = json::array();
    for (const StoreCert& c : certs) {
        list.push_back({{"thumbprint", c.thumbprint}, {"subject", c.subject}});
    }
    return list;
}

std::string Dump(const json& document) {
    // A text that is not UTF-8 after all must not cost the whole document.
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string StoreCertLines(const char* heading, const std::vector<StoreCert>& certs) {
    std::string text = std::string(heading) + ": " + std::to_string(certs.size()) + "\n";
    for (const StoreCert& c : certs) text += "  " + c.thumbprint + "  " + Shown(c.subject) + "\n";
    return text;
}

}  // namespace

Registration CompareRegistration(const Inventory& inventory,
                                 const std::vector<StoreCert>& registered) {
    Registration result;
    std::set<std::string> inStore, onKeys;
    for (const StoreCert& c : registered) inStore.insert(c.thumbprint);
    for (const KeyEntry& key : inventory.keys) {
        for (const KeyCert& cert : key.certs) {
            if (!cert.decoded) continue;
            const std::string& thumbprint = cert.details.thumbprint;
            const bool loadable = key.statusKnown && key.status > 1;
            if (loadable && !inStore.count(thumbprint) && onKeys.insert(thumbprint).second) {
                result.missing.push_back({thumbprint, cert.details.subject});
            }
            onKeys.insert(thumbprint);
        }
    }
    for (const StoreCert& c : registered) {
        if (!onKeys.count(c.thumbprint)) result.extra.push_back(c);
    }
    return result;
}

std::string ServiceStateText(bool known, bool installed, std::uint32_t state) {
    if (!known) return "unknown (the service manager could not be asked)";
    if (!installed) return "not installed";
    switch (state) {
        case keytool::kServiceStopped:
            return "stopped";
        case keytool::kServiceStartPending:
            return "starting";
        case keytool::kServiceStopPending:
            return "stopping";
        case keytool::kServiceRunning:
            return "running";
        case keytool::kServiceContinuePending:
            return "continuing";
        case keytool::kServicePausePending:
            return "pausing";
        case keytool::kServicePaused:
            return "paused";
    }
    return "state " + std::to_string(state);
}

std::string ErrorText(const KeyLibError& error) {
    std::string text = "key-library error " + Hex(error.status) + " from " + error.call;
    if (error.slot != 0) text += " (slot " + std::to_string(error.slot) + ")";
    return text;
}

std::string ListText(const Inventory& inventory) {
    std::string text = InventoryErrors(inventory);
    for (const KeyEntry& key : inventory.keys) text += KeyHeading(key);
    return text;
}

std::string CertsText(const Inventory& inventory) {
    std::string text = InventoryErrors(inventory);
    for (const KeyEntry& key : inventory.keys) {
        text += KeyHeading(key);
        if (key.certs.empty() && key.errors.empty()) text += "  no certificate\n";
        text += CertLines(key, "  ");
    }
    return text;
}

std::string DiagText(const DiagReport& r) {
    std::string text = "Qelmora UsbKey diagnostics\n\n";
    text += "key tool:          " + r.toolVersion + "\n";
    text += "key library:       " + r.keyLibVersion + "\n";
    text += "Windows:           " + r.windowsVersion + "\n";
    text += "ANSI code page:    " + std::to_string(r.ansiCodePage) + "\n";
    text += "console code page: " +
            (r.consoleCodePage ? std::to_string(r.consoleCodePage) : "none (no console)") + "\n";
    text += "\n[keys]\n" + CertsText(r.inventory);

    const Registration registration = CompareRegistration(r.inventory, r.registered);
    text += "\n[personal store]\n";
    text += StoreCertLines("registered by the key library", r.registered);
    text += StoreCertLines("missing (on a key, not registered)", registration.missing);
    text += StoreCertLines("extra (registered, on no plugged-in key)", registration.extra);

    text += "\n[smart-card service SCardSvr]\n" + r.serviceState + "\n";
    text += "\n[failed-device registry entries, HKEY_LOCAL_MACHINE]\n";
    for (const RegistryEntry& e : r.failedDeviceEntries) {
        text += e.path + (e.exists ? ": present\n" : ": absent\n");
    }
    text += "\n[key tool log, last " + std::to_string(r.logLines.size()) + " lines]\n";
    for (const std::string& line : r.logLines) {
        text += keytool::PrintableText(line, keytool::kLogTextMax + 64) + "\n";
    }
    return text;
}

std::string ListJson(const Inventory& inventory) { return Dump(InventoryJson(inventory, false)); }

std::string CertsJson(const Inventory& inventory) { return Dump(InventoryJson(inventory, true)); }

std::string DiagJson(const DiagReport& r) {
    const Registration registration = CompareRegistration(r.inventory, r.registered);
    json entries = json::array();
    for (const RegistryEntry& e : r.failedDeviceEntries) {
        entries.push_back({{"path", e.path}, {"exists", e.exists}});
    }
    json log = json::array();
    for (const std::string& line : r.logLines) log.push_back(line);
    const json document = {
        {"versions",
         {{"keyTool", r.toolVersion},
          {"keyLibrary", r.keyLibVersion},
          {"windows", r.windowsVersion}}},
        {"codePages", {{"ansi", r.ansiCodePage}, {"console", r.consoleCodePage}}},
        {"keys", InventoryJson(r.inventory, true)},
        {"personalStore",
         {{"registered", StoreCertsJson(r.registered)},
          {"missing", StoreCertsJson(registration.missing)},
          {"extra", StoreCertsJson(registration.extra)}}},
        {"smartCardService", r.serviceState},
        {"failedDeviceEntries", entries},
        {"log", log},
    };
    return Dump(document);
}

}  // namespace ukeyctl
