#include "framework/Controls.h"

namespace fw {

int TabCtrl::InsertItem(int index, const char* text) const {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(text);
    return static_cast<int>(SendMessage(TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item)));
}

ImageList::~ImageList() {
    if (m_hImageList) ImageList_Destroy(m_hImageList);
}

BOOL ImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
    m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
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
