// Fakes of what the certificate page works on: a key with six container
// positions, a tree control, the page's buttons and boxes, and real X.509
// certificates made and decoded with OpenSSL.
#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pages/logic/CertBuffer.h"
#include "pages/logic/CertPageParts.h"
#include "pages/logic/CertTreeFill.h"

namespace keytool::testing {

using Bytes = std::vector<std::uint8_t>;

// A self-signed certificate (P-256, SHA-256) whose subject has this common name.
inline Bytes MakeCertificate(const std::string& commonName) {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    std::unique_ptr<X509, decltype(&X509_free)> cert(X509_new(), X509_free);
    if (!key || !cert) return {};
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), 0);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 3600);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>("Qelmora Bank"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                               0);
    X509_set_issuer_name(cert.get(), name);
    X509_set_pubkey(cert.get(), key.get());
    if (X509_sign(cert.get(), key.get(), EVP_sha256()) <= 0) return {};
    unsigned char* der = nullptr;
    const int length = i2d_X509(cert.get(), &der);
    if (length <= 0) return {};
    Bytes bytes(der, der + length);
    OPENSSL_free(der);
    return bytes;
}

// The subject's common name, as the platform's simple display name gives it.
class OpenSslDecoder : public CertDecoder {
public:
    std::vector<std::uint32_t> lengths;  // of every decode asked for

    bool SubjectName(const std::uint8_t* der, std::uint32_t length, char* name,
                     std::size_t size) override {
        lengths.push_back(length);
        const unsigned char* p = der;
        std::unique_ptr<X509, decltype(&X509_free)> cert(d2i_X509(nullptr, &p, length), X509_free);
        if (!cert) return false;
        return X509_NAME_get_text_by_NID(X509_get_subject_name(cert.get()), NID_commonName, name,
                                         static_cast<int>(size)) > 0;
    }
};

constexpr std::uint32_t kNotFound = 0xA0420005u;

struct FakeContainer {
    std::string name;  // empty: no container at the position
    std::uint32_t flags = 0;
    std::map<std::uint32_t, Bytes> certs;  // by kind
};

// A key whose containers tests arrange; logs every call.
class FakeKeys : public CertKeyLibrary {
public:
    std::array<FakeContainer, 6> positions;
    std::uint32_t countResult = 0;
    int infoFailsAt = -1;
    // Writes the whole name whatever size it is told, as a careless library might.
    bool ignoresNameSize = false;
    std::uint32_t readResult = 0;
    std::uint32_t reportedLength = 0;  // non-zero: the length the read answers
    std::uint32_t verifyResult = 0;
    std::uint32_t deleteResult = 0;
    std::vector<std::string> calls;

    void Put(int position, const std::string& name, std::uint32_t kind, const Bytes& der) {
        positions[position].name = name;
        positions[position].certs[kind] = der;
        positions[position].flags |= kind == 1 ? 0x5u : 0xAu;
    }

    std::uint32_t ContainerCount(std::uint32_t slot, std::uint32_t* count) override {
        calls.push_back("ContainerCount(" + std::to_string(slot) + ")");
        *count = static_cast<std::uint32_t>(
            std::count_if(positions.begin(), positions.end(),
                          [](const FakeContainer& c) { return !c.name.empty(); }));
        return countResult;
    }
    std::uint32_t ContainerInfo(std::uint32_t slot, std::uint32_t index, std::uint32_t* flags,
                                std::uint32_t nameSize, char* name) override {
        calls.push_back("ContainerInfo(" + std::to_string(slot) + "," + std::to_string(index) +
                        "," + std::to_string(nameSize) + ")");
        if (static_cast<int>(index) == infoFailsAt) return 0x6F00;
        const FakeContainer& c = positions.at(index);
        *flags = c.flags;
        const std::size_t room = ignoresNameSize ? c.name.size() : nameSize;
        // Unterminated when the name fills its room.
        std::memcpy(name, c.name.c_str(), std::min(c.name.size() + 1, room));
        return 0;
    }
    std::uint32_t ReadCertByName(std::uint32_t slot, const char* container, std::uint32_t kind,
                                 std::uint32_t* length, std::uint8_t* buffer) override {
        calls.push_back("ReadCertByName(" + std::to_string(slot) + "," + container + "," +
                        std::to_string(kind) + "," + std::to_string(*length) + ")");
        if (readResult != 0) return readResult;
        const Bytes* der = Find(container, kind);
        if (!der) return kNotFound;
        const std::uint32_t capacity = *length;
        std::memcpy(buffer, der->data(), std::min<std::size_t>(der->size(), capacity));
        *length = reportedLength ? reportedLength : static_cast<std::uint32_t>(der->size());
        return 0;
    }
    std::uint32_t Reset(std::uint32_t slot) override {
        calls.push_back("Reset(" + std::to_string(slot) + ")");
        return 0;
    }
    std::uint32_t VerifyPassword(std::uint32_t slot, std::uint32_t kind,
                                 const char* password) override {
        calls.push_back("VerifyPassword(" + std::to_string(slot) + "," + std::to_string(kind) +
                        "," + (password ? password : "null") + ")");
        return verifyResult;
    }
    std::uint32_t DeleteContainerByName(std::uint32_t slot, const char* container) override {
        calls.push_back("DeleteContainerByName(" + std::to_string(slot) + "," + container + ")");
        if (deleteResult != 0) return deleteResult;
        for (FakeContainer& c : positions) {
            if (c.name == container) c = FakeContainer{};
        }
        return 0;
    }

private:
    const Bytes* Find(const std::string& container, std::uint32_t kind) const {
        for (const FakeContainer& c : positions) {
            if (c.name != container) continue;
            const auto found = c.certs.find(kind);
            return found == c.certs.end() ? nullptr : &found->second;
        }
        return nullptr;
    }
};

struct FakeNode {
    TreeNode parent;
    std::string text;
    int stateImage;
    std::uint32_t data;
    bool expanded = false;
    bool alive = true;
};

class FakeTree : public CertTree {
public:
    std::vector<FakeNode> nodes;  // node n is nodes[n - 1]
    TreeNode selection = kNoNode;

    void DeleteAll() override {
        for (FakeNode& node : nodes) node.alive = false;
        selection = kNoNode;
    }
    TreeNode Append(TreeNode parent, const char* text, int stateImage,
                    std::uint32_t data) override {
        nodes.push_back({parent, text, stateImage, data});
        return nodes.size();
    }
    void Expand(TreeNode node) override { nodes.at(node - 1).expanded = true; }
    TreeNode Selected() override { return selection; }
    TreeNode Parent(TreeNode node) override { return nodes.at(node - 1).parent; }
    bool Data(TreeNode node, std::uint32_t* data) override {
        if (node == kNoNode || node > nodes.size() || !nodes[node - 1].alive) return false;
        *data = nodes[node - 1].data;
        return true;
    }

    // The living nodes in tree order, indented two blanks per level; "[1]"
    // marks state image 1, "+" an expanded node.
    std::vector<std::string> Lines() const { return LinesUnder(kNoNode, ""); }
    // The living node with this text.
    TreeNode Find(const std::string& text) const {
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i].alive && nodes[i].text == text) return i + 1;
        }
        return kNoNode;
    }
    void Select(const std::string& text) { selection = Find(text); }

private:
    std::vector<std::string> LinesUnder(TreeNode parent, const std::string& indent) const {
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            const FakeNode& node = nodes[i];
            if (!node.alive || node.parent != parent) continue;
            lines.push_back(indent + node.text +
                            (node.stateImage ? " [" + std::to_string(node.stateImage) + "]" : "") +
                            (node.expanded ? " +" : ""));
            for (const std::string& line : LinesUnder(i + 1, indent + "  ")) lines.push_back(line);
        }
        return lines;
    }
};

// Records what the page shows and does; confirmations are answered in turn
// (Yes when no answer is left), each after an optional action that runs
// while the box is open.
class FakeUi : public CertPageUi {
public:
    std::vector<std::string> events;
    std::deque<bool> answers;
    std::function<void()> whileConfirming;

    void Warn(const char* text) override { events.push_back(std::string("warn ") + text); }
    bool Confirm(const char* text) override {
        events.push_back(std::string("confirm ") + text);
        if (whileConfirming) whileConfirming();
        if (answers.empty()) return true;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    void EnableView(bool enable) override { events.push_back(enable ? "view on" : "view off"); }
    void EnableDelete(bool enable) override {
        events.push_back(enable ? "delete on" : "delete off");
    }
    void SetDeleteText(const char* text) override {
        events.push_back(std::string("delete text ") + text);
    }
};

class HeapBuffer : public FillBuffer {
public:
    bool fails = false;
    int outstanding = 0;

    std::uint8_t* Allocate() override {
        if (fails) return nullptr;
        ++outstanding;
        return new std::uint8_t[CERT_BUF_SIZE]();
    }
    void Release(std::uint8_t* buffer) override {
        --outstanding;
        delete[] buffer;
    }
};

// The page as the tests assemble it.
struct FakePage {
    FakeKeys keys;
    FakeTree tree;
    FakeUi ui;
    OpenSslDecoder decoder;
    HeapBuffer buffers;
    CertPageParts parts{keys, tree, ui};

    void Fill(std::uint32_t slot) { FillCertTree(slot, parts, decoder, buffers); }
};

}  // namespace keytool::testing
