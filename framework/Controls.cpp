#include "framework/Controls.h"

#include "framework/DialogKeyboard.h"
#include "framework/Text.h"
#include "log/Log.h"

namespace fw {

void Edit::SetByteLimit(UINT bytes, UINT codePage) {
    m_byteLimit = bytes;
    m_codePage = codePage;
    SendMessage(EM_LIMITTEXT, bytes);
}

void Edit::OnReflectedCommand(UINT code) {
    if (code != EN_CHANGE || m_byteLimit == 0) return;
    const std::wstring text = GetWindowText();
    size_t kept = 0;
    for (size_t bytes = 0, units = 0; kept < text.size(); kept += units) {
        bytes += CharacterBytes(std::wstring_view(text).substr(kept), m_codePage, &units);
        if (bytes > m_byteLimit) break;
    }
    if (kept == text.size()) return;
    SetWindowText(text.substr(0, kept).c_str());
    SendMessage(EM_SETSEL, kept, kept);
}

int TabCtrl::InsertItem(int index, const wchar_t* text) const {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(text);
    return static_cast<int>(SendMessage(TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item)));
}

int TabCtrl::SwitchedTabOf(const MSG& msg) const {
    return SwitchedTab(DialogKeyOf(msg), GetCurSel(), GetItemCount());
}

ImageList::~ImageList() {
    if (m_hImageList) ImageList_Destroy(m_hImageList);
}

BOOL ImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
    m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
    if (!m_hImageList) LogLastError("ImageList_Create");
    return m_hImageList != nullptr;
}

bool TreeCtrl::GetItemData(HTREEITEM item, LPARAM* data) const {
    TVITEMW tv{};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!item || !SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) return false;
    *data = tv.lParam;
    return true;
}

}  // namespace fw
