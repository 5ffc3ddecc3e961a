// Shows a page's message as the modal box of its kind, owned by the page.
#pragma once

#include <windows.h>

#include "pages/logic/LastTry.h"
#include "pages/logic/PageMessages.h"

void ShowPageMessage(HWND owner, const keytool::PageMessage& message);

// The last-try question, owned by the page: Yes/No with No the default.
class LastTryBox : public keytool::LastTryQuestion {
public:
    explicit LastTryBox(HWND owner) : m_owner(owner) {}
    bool Continue() override;

private:
    HWND m_owner;
};
