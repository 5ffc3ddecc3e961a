// Shows a page's message as the modal box of its kind, owned by the page.
#pragma once

#include <windows.h>

#include "pages/logic/PageMessages.h"

void ShowPageMessage(HWND owner, const keytool::PageMessage& message);
