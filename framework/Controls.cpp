#include "framework/Controls.h"

#include "framework/DialogKeyboard.h"
#include "framework/logic/GbkText.h"
#include "log/Log.h"

namespace fw {

void Edit::SetByteLimit(UINT bytes) {
    m_byteLimit = bytes;
    SendMessage(EM_LIMITTEXT, bytes);
}

void Edit::EnforceByteLimit() const {
    const std::string text = GetWindowText();
    if (m_byteLimit == 0 || text.size() <= m_byteLimit) return;
    const std::string kept = text.substr(0, GbkPrefixLength(text.data(), text.size(), m_byteLimit));
    SetWindowText(kept.c_str());
    SendMessage(EM_SETSEL, kept.size(), kept.size());
}

int TabCtrl::InsertItem(int index, const char* text) const {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(text);
    return static_cast<int>(SendMessage(TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item)));
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
    TVITEMA tv{};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!item || !SendMessage(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv))) return false;
    *data = tv.lParam;
    return true;
}

}  // namespace fw
