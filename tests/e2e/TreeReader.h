// Reads and works a tree-view control of another process. Tree-view messages
// are not carried across processes, so items and rectangles go through a
// block of memory allocated in the control's process.
#pragma once

#include <windows.h>
// windows.h must come first.
#include <commctrl.h>

#include <string>
#include <vector>

namespace e2e {

struct TreeItem {
    HTREEITEM handle;
    int depth;
    std::string text;
    UINT state;
    LPARAM data;
};

class TreeReader {
public:
    explicit TreeReader(HWND tree);
    ~TreeReader();
    TreeReader(const TreeReader&) = delete;
    TreeReader& operator=(const TreeReader&) = delete;

    // Every item in display order, children after their parent.
    std::vector<TreeItem> Items() const;
    // The items indented two blanks per level; "[n]" marks state image n, "+"
    // an expanded item.
    std::vector<std::string> Lines() const;
    // The first item with this text; nullptr when there is none.
    HTREEITEM Find(const std::string& text) const;
    TreeItem Item(HTREEITEM item) const;
    HTREEITEM Selected() const;
    // Posted, so a box the selection change opens does not block the test.
    void Select(HTREEITEM item) const;
    // Posts a double-click on the middle of the item's text.
    bool DoubleClick(HTREEITEM item) const;

private:
    struct Remote {
        TVITEMA item;
        RECT rect;
        char text[260];
    };

    HTREEITEM Next(HTREEITEM item, UINT code) const;
    void Collect(HTREEITEM first, int depth, std::vector<TreeItem>& items) const;

    HWND m_tree;
    HANDLE m_process = nullptr;
    Remote* m_remote = nullptr;
};

}  // namespace e2e
