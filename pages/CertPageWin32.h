// The certificate page's parts on Windows: the page's tree control, buttons
// and boxes, the fill's global memory, and the temporary file with the shell.
// The page's texts come from the portable logic in GBK.
#pragma once

#include <windows.h>

#include "framework/Controls.h"
#include "pages/logic/CertPageParts.h"
#include "pages/logic/CertTreeFill.h"
#include "pages/logic/CertView.h"

class TreeCtrlCertTree : public keytool::CertTree {
public:
    explicit TreeCtrlCertTree(const fw::TreeCtrl& tree) : m_tree(tree) {}

    void DeleteAll() override;
    keytool::TreeNode Append(keytool::TreeNode parent, const char* text, int stateImage,
                             std::uint32_t data) override;
    void Expand(keytool::TreeNode node) override;
    keytool::TreeNode Selected() override;
    keytool::TreeNode Parent(keytool::TreeNode node) override;
    bool Data(keytool::TreeNode node, std::uint32_t* data) override;

private:
    const fw::TreeCtrl& m_tree;
};

// Boxes owned by the page, and its view (1015) and delete (1018) buttons.
class PageCertUi : public keytool::CertPageUi {
public:
    explicit PageCertUi(HWND page) : m_page(page) {}

    void Warn(const char* text) override;
    bool Confirm(const char* text) override;
    void EnableView(bool enable) override;
    void EnableDelete(bool enable) override;
    void SetDeleteText(const char* text) override;

private:
    HWND m_page;
};

class GlobalFillBuffer : public keytool::FillBuffer {
public:
    std::uint8_t* Allocate() override;
    void Release(std::uint8_t* buffer) override;
};

class ShellCertFiles : public keytool::CertFiles {
public:
    explicit ShellCertFiles(HWND page) : m_page(page) {}

    std::uint32_t TempPath(std::uint32_t size, char* buffer) override;
    bool WriteNewFile(const char* path, const std::uint8_t* bytes, std::uint32_t length) override;
    void Open(const char* path, const std::uint8_t* der, std::uint32_t length) override;

private:
    HWND m_page;
};
