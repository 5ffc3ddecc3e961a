// The about box: product, version and a link to the bank's site.
#pragma once

#include "framework/Dialog.h"

class CDlgAbout : public fw::Dialog {
public:
    CDlgAbout();
    ~CDlgAbout() override;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    const fw::MessageMap* GetMessageMap() const override;

private:
    BOOL OnDrawItem(const DRAWITEMSTRUCT& item);
    LRESULT OnDestroy();
    void OnLinkClicked();

    HFONT m_fontLink = nullptr;
    HCURSOR m_hOldCursor = nullptr;
};
