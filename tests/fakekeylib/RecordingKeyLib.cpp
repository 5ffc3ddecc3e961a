// A key library for tests: same exports as the real one, answers from a
// scenario file the test writes, and appends one line per call to a log so
// tests can compare call sequences.
//
// Scenario (KEYTOOL_FAKE_SCENARIO, read afresh on every call), one item a line:
//   tag N                 instance tag (default 0x51E1C0DE)
//   slots S1 S2 ...       plugged-in keys in library order
//   label S TEXT          label of slot S (no line: the label read fails)
//   status S N            status word of slot S (default 2)
//   file S ID TEXT        file ID (hex) of slot S holds TEXT
//   result FUNCTION V...  the n-th call of FUNCTION answers the n-th value
//                         (the last one repeats); default 0
// Log (KEYTOOL_FAKE_LOG): "FUNCTION(arguments)" per call.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "keylib/KeyLib.h"

namespace {

struct Scenario {
    uint32_t tag = 0x51E1C0DE;
    std::vector<uint32_t> slots;
    std::map<uint32_t, std::string> labels;
    std::map<uint32_t, uint32_t> status;
    std::map<uint32_t, std::map<uint16_t, std::string>> files;
    std::map<std::string, std::vector<uint32_t>> results;
};

std::map<std::string, size_t> g_calls;

std::string EnvPath(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

uint32_t Number(const std::string& text) {
    return static_cast<uint32_t>(std::stoul(text, nullptr, 0));
}

Scenario Load() {
    Scenario s;
    std::ifstream in(EnvPath("KEYTOOL_FAKE_SCENARIO"));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "tag") {
            std::string v;
            words >> v;
            s.tag = Number(v);
        } else if (kind == "slots") {
            std::string v;
            while (words >> v) s.slots.push_back(Number(v));
        } else if (kind == "label" || kind == "file") {
            std::string slot, id;
            words >> slot;
            if (kind == "file") words >> id;
            std::string rest;
            std::getline(words, rest);
            if (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
            if (kind == "label") {
                s.labels[Number(slot)] = rest;
            } else {
                s.files[Number(slot)][static_cast<uint16_t>(std::stoul(id, nullptr, 16))] = rest;
            }
        } else if (kind == "status") {
            std::string slot, v;
            words >> slot >> v;
            s.status[Number(slot)] = Number(v);
        } else if (kind == "result") {
            std::string function, v;
            words >> function;
            while (words >> v) s.results[function].push_back(Number(v));
        }
    }
    return s;
}

// Logs the call and answers its scripted result.
uint32_t Call(const Scenario& s, const char* function, const std::string& arguments) {
    const std::string path = EnvPath("KEYTOOL_FAKE_LOG");
    if (!path.empty()) {
        std::ofstream(path, std::ios::app) << function << "(" << arguments << ")\n";
    }
    const size_t n = g_calls[function]++;
    auto found = s.results.find(function);
    if (found == s.results.end() || found->second.empty()) return 0;
    return found->second[n < found->second.size() ? n : found->second.size() - 1];
}

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
}

std::string Text(const char* text) { return text ? std::string("\"") + text + "\"" : "null"; }

}  // namespace

extern "C" {

uint32_t KEYLIB_API CSP_GetSlotList(uint32_t* slots, uint32_t* count) {
    const Scenario s = Load();
    const uint32_t result = Call(s, "CSP_GetSlotList", slots ? "array" : "null");
    if (count) *count = static_cast<uint32_t>(s.slots.size());
    for (size_t i = 0; slots && i < s.slots.size() && i < KEYLIB_MAX_SLOTS; ++i)
        slots[i] = s.slots[i];
    return result;
}

uint32_t KEYLIB_API CSP_GetSlotStatus(uint32_t slot, uint32_t* status) {
    const Scenario s = Load();
    const uint32_t result = Call(s, "CSP_GetSlotStatus", std::to_string(slot));
    auto found = s.status.find(slot);
    if (status) *status = found == s.status.end() ? 2 : found->second;
    return result;
}

uint32_t KEYLIB_API CSP_GetUsbKeyLabel(uint32_t slot, char* label) {
    const Scenario s = Load();
    const uint32_t result = Call(s, "CSP_GetUsbKeyLabel", std::to_string(slot));
    auto found = s.labels.find(slot);
    if (found == s.labels.end()) return result ? result : 1;
    // A label of 100 characters or more is written unterminated, as a careless
    // library might.
    const size_t capacity = KEYLIB_LABEL_BUF;
    std::memcpy(label, found->second.c_str(),
                found->second.size() < capacity ? found->second.size() + 1 : capacity);
    return result;
}

uint32_t KEYLIB_API CSP_SetUsbKeyLabel(uint32_t slot, const char* label) {
    return Call(Load(), "CSP_SetUsbKeyLabel", std::to_string(slot) + "," + Text(label));
}

uint32_t KEYLIB_API CSP_VerifyPassword(uint32_t slot, uint32_t kind, const char* password) {
    return Call(Load(), "CSP_VerifyPassword",
                std::to_string(slot) + "," + std::to_string(kind) + "," + Text(password));
}

uint32_t KEYLIB_API CSP_ChangePassword(uint32_t slot, uint32_t kind, const char* oldPassword,
                                       const char* newPassword) {
    return Call(Load(), "CSP_ChangePassword",
                std::to_string(slot) + "," + std::to_string(kind) + "," + Text(oldPassword) + "," +
                    Text(newPassword));
}

uint32_t KEYLIB_API CSP_ChangeInitPassword(uint32_t slot) {
    return Call(Load(), "CSP_ChangeInitPassword", std::to_string(slot));
}

uint32_t KEYLIB_API CSP_ContainerCount(uint32_t slot, uint32_t* count) {
    if (count) *count = 0;
    return Call(Load(), "CSP_ContainerCount", std::to_string(slot));
}

uint32_t KEYLIB_API CSP_ContainerInfo(uint32_t slot, uint32_t index, uint32_t* flags,
                                      uint32_t nameSize, char* name) {
    if (flags) *flags = 0;
    if (name && nameSize) name[0] = '\0';
    return Call(
        Load(), "CSP_ContainerInfo",
        std::to_string(slot) + "," + std::to_string(index) + "," + std::to_string(nameSize));
}

uint32_t KEYLIB_API CSP_ReadCertByName(uint32_t slot, const char* container, uint32_t kind,
                                       uint32_t* length, uint8_t*) {
    const uint32_t capacity = length ? *length : 0;
    if (length) *length = 0;
    return Call(Load(), "CSP_ReadCertByName",
                std::to_string(slot) + "," + Text(container) + "," + std::to_string(kind) + "," +
                    std::to_string(capacity));
}

uint32_t KEYLIB_API CSP_DeleteContainerByName(uint32_t slot, const char* container) {
    return Call(Load(), "CSP_DeleteContainerByName", std::to_string(slot) + "," + Text(container));
}

uint32_t KEYLIB_API CSP_Reset(uint32_t slot) {
    return Call(Load(), "CSP_Reset", std::to_string(slot));
}

uint32_t KEYLIB_API CSP_LoadCertToIE(uint32_t slot, uint32_t flags) {
    return Call(Load(), "CSP_LoadCertToIE", std::to_string(slot) + "," + std::to_string(flags));
}

uint32_t KEYLIB_API CSP_UnloadIECert(void) { return Call(Load(), "CSP_UnloadIECert", ""); }

uint32_t KEYLIB_API CSP_FileAllID(uint32_t slot, uint16_t* count, uint16_t* ids) {
    const Scenario s = Load();
    const uint32_t result = Call(s, "CSP_FileAllID", std::to_string(slot));
    uint16_t n = 0;
    auto found = s.files.find(slot);
    if (found != s.files.end()) {
        for (const auto& file : found->second) {
            if (n < KEYLIB_MAX_FILES && ids) ids[n] = file.first;
            ++n;
        }
    }
    if (count) *count = n;
    return result;
}

uint32_t KEYLIB_API CSP_FileRead(uint32_t slot, uint16_t fileId, uint32_t offset, uint32_t length,
                                 uint8_t* buffer) {
    const Scenario s = Load();
    const uint32_t result = Call(s, "CSP_FileRead",
                                 std::to_string(slot) + "," + Hex(fileId) + "," +
                                     std::to_string(offset) + "," + std::to_string(length));
    auto key = s.files.find(slot);
    if (key == s.files.end() || !key->second.count(fileId)) return result ? result : 1;
    const std::string& text = key->second.at(fileId);
    // Written without a terminator when it fills the buffer.
    std::memcpy(buffer, text.c_str(), text.size() < length ? text.size() + 1 : length);
    return result;
}

uint32_t KEYLIB_API CSP_GetInstanceTag(uint32_t reserved1, uint32_t reserved2) {
    const Scenario s = Load();
    Call(s, "CSP_GetInstanceTag", std::to_string(reserved1) + "," + std::to_string(reserved2));
    return s.tag;
}

uint32_t KEYLIB_API CSP_SetMainWindow(void*) { return Call(Load(), "CSP_SetMainWindow", ""); }

}  // extern "C"
