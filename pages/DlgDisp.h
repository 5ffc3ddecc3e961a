// The certificate tab: the selected key's containers and certificates as a
// tree, with viewing and deletion of a certificate, the certificate download
// site and the system check.
#pragma once

#include <cstdint>

#include "framework/Controls.h"
#include "pages/CspBaseDialog.h"

// The tree's state images at the system's small-icon size: image 1 marks a
// certificate node, image 0 is never shown. One certificate page per process.
extern fw::ImageList g_ImageList;

class CDlgDisp : public CCspBaseDialog {
public:
    explicit CDlgDisp(HWND parent = nullptr);
    ~CDlgDisp() override;

    const fw::RuntimeClass* GetRuntimeClass() const override;
    static const fw::RuntimeClass kRuntimeClass;

    void EnableControls(BOOL enable);
    // Rebuilds the tree for m_dwSlot.
    void FillCertTree();

    std::uint32_t m_dwSlot = 0;

protected:
    const fw::MessageMap* GetMessageMap() const override;
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    int EnterButton(int focusId) const override;

private:
    void OnDblClkTree(NMHDR* header, LRESULT* result);
    void OnViewCert();
    void OnDeleteCert();
    void OnSelChangedTree(NMHDR* header, LRESULT* result);
    void OnCertDownload();
    void OnSysCheck();

    // Writes the selected certificate to the temporary file and has the shell open it.
    void ViewSelectedCert();

    fw::TreeCtrl m_tree;
};
