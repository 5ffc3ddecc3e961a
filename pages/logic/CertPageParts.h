// What the certificate page's decisions work on: the key library's calls, the
// certificate decoder, the tree control and the page's buttons and boxes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "keys/logic/KeyCerts.h"

namespace keytool {

// A node of the tree control; kNoNode stands for none (and for the top level).
using TreeNode = std::uintptr_t;
constexpr TreeNode kNoNode = 0;

class CertTree {
public:
    virtual ~CertTree() = default;
    virtual void DeleteAll() = 0;
    // Appends a node as the last child of parent; state image 0 shows none.
    virtual TreeNode Append(TreeNode parent, const char* text, int stateImage,
                            std::uint32_t data) = 0;
    virtual void Expand(TreeNode node) = 0;
    virtual TreeNode Selected() = 0;
    virtual TreeNode Parent(TreeNode node) = 0;
    // False when the node does not exist (any more).
    virtual bool Data(TreeNode node, std::uint32_t* data) = 0;
};

// The page's buttons and its message boxes.
class CertPageUi {
public:
    virtual ~CertPageUi() = default;
    virtual void Warn(const char* text) = 0;
    // A Yes/No question; false only for No.
    virtual bool Confirm(const char* text) = 0;
    virtual void EnableView(bool enable) = 0;
    virtual void EnableDelete(bool enable) = 0;
    virtual void SetDeleteText(const char* text) = 0;
};

struct CertPageParts {
    CertKeyLibrary& keys;
    CertTree& tree;
    CertPageUi& ui;
};

}  // namespace keytool
