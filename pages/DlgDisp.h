// The certificate tab: the selected key's containers and certificates as a tree.
#pragma once

#include <cstdint>

#include "framework/Controls.h"
#include "pages/CspBaseDialog.h"

class CDlgDisp : public CCspBaseDialog {
public:
    explicit CDlgDisp(HWND parent = nullptr);

    const fw::RuntimeClass* GetRuntimeClass() const override;
    static const fw::RuntimeClass kRuntimeClass;

    void EnableControls(BOOL enable);
    // Rebuilds the tree for m_dwSlot.
    void FillCertTree();

    std::uint32_t m_dwSlot = 0;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    const fw::MessageMap* GetMessageMap() const override;

private:
    HTREEITEM InsertNode(HTREEITEM parent, const char* text);

    fw::TreeCtrl m_tree;
};
