// Wrappers of the common controls the dialogs use, bound to template controls
// by the dialog's data exchange.
#pragma once

#include <windows.h>
// windows.h must come first.
#include <commctrl.h>

#include "framework/Window.h"

namespace fw {

class Edit : public Window {
public:
    // The edit's own limit counts characters, while what the text becomes is
    // limited in bytes of a code page, where a Chinese character takes two: on
    // every change the edit keeps its text within `bytes`, cut between characters.
    void SetByteLimit(UINT bytes, UINT codePage);
    void OnReflectedCommand(UINT code) override;

private:
    UINT m_byteLimit = 0;
    UINT m_codePage = 0;
};

class ComboBox : public Window {
public:
    void ResetContent() const { SendMessage(CB_RESETCONTENT); }
    int AddString(const wchar_t* text) const {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(CB_SETCURSEL, index)); }
};

class TabCtrl : public Window {
public:
    int InsertItem(int index, const wchar_t* text) const;
    int GetCurSel() const { return static_cast<int>(SendMessage(TCM_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(TCM_SETCURSEL, index)); }
    int GetItemCount() const { return static_cast<int>(SendMessage(TCM_GETITEMCOUNT)); }
    // The tab that a key-down switching tabs (Ctrl+Tab and the like) selects; -1 for any other.
    int SwitchedTabOf(const MSG& msg) const;
};

class ImageList {
public:
    HIMAGELIST m_hImageList = nullptr;

    ImageList() = default;
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;
    ~ImageList();

    // False, with the failure logged, when the list could not be made.
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    void SetBkColor(COLORREF color) const { ImageList_SetBkColor(m_hImageList, color); }
    int Add(HICON icon) const { return ImageList_AddIcon(m_hImageList, icon); }
};

class TreeCtrl : public Window {
public:
    HTREEITEM InsertItem(const TVINSERTSTRUCTW& item) const {
        return reinterpret_cast<HTREEITEM>(
            SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    }
    BOOL DeleteAllItems() const {
        return static_cast<BOOL>(
            SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)));
    }
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const {
        return reinterpret_cast<HTREEITEM>(
            SendMessage(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
    // False when the item does not exist (any more).
    bool GetItemData(HTREEITEM item, LPARAM* data) const;
    BOOL Expand(HTREEITEM item, UINT code) const {
        return static_cast<BOOL>(SendMessage(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)));
    }
    void SetStateImageList(const ImageList& list) const {
        SendMessage(TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(list.m_hImageList));
    }
};

}  // namespace fw
