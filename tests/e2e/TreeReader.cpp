#include "tests/e2e/TreeReader.h"

#include <cstddef>

namespace e2e {

TreeReader::TreeReader(HWND tree) : m_tree(tree) {
    DWORD pid = 0;
    GetWindowThreadProcessId(tree, &pid);
    m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (m_process) {
        m_remote = static_cast<Remote*>(
            VirtualAllocEx(m_process, nullptr, sizeof(Remote), MEM_COMMIT, PAGE_READWRITE));
    }
}

TreeReader::~TreeReader() {
    if (m_remote) VirtualFreeEx(m_process, m_remote, 0, MEM_RELEASE);
    if (m_process) CloseHandle(m_process);
}

HTREEITEM TreeReader::Next(HTREEITEM item, UINT code) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(m_tree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item), SMTO_BLOCK,
                        10000, &result);
    return reinterpret_cast<HTREEITEM>(result);
}

TreeItem TreeReader::Item(HTREEITEM handle) const {
    TreeItem item{handle, 0, {}, 0, 0};
    if (!m_remote) return item;
    TVITEMA request{};
    request.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE | TVIF_PARAM;
    request.hItem = handle;
    request.stateMask = 0xFFFF;
    request.pszText = m_remote->text;
    request.cchTextMax = sizeof m_remote->text;
    const char empty[1] = {};
    WriteProcessMemory(m_process, &m_remote->item, &request, sizeof request, nullptr);
    WriteProcessMemory(m_process, m_remote->text, empty, sizeof empty, nullptr);
    DWORD_PTR ok = 0;
    SendMessageTimeoutA(m_tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&m_remote->item),
                        SMTO_BLOCK, 10000, &ok);
    if (!ok) return item;
    Remote answer{};
    ReadProcessMemory(m_process, m_remote, &answer, sizeof answer, nullptr);
    answer.text[sizeof answer.text - 1] = '\0';
    item.text = answer.text;
    item.state = answer.item.state;
    item.data = answer.item.lParam;
    return item;
}

void TreeReader::Collect(HTREEITEM first, int depth, std::vector<TreeItem>& items) const {
    for (HTREEITEM handle = first; handle; handle = Next(handle, TVGN_NEXT)) {
        TreeItem item = Item(handle);
        item.depth = depth;
        items.push_back(item);
        Collect(Next(handle, TVGN_CHILD), depth + 1, items);
    }
}

std::vector<TreeItem> TreeReader::Items() const {
    std::vector<TreeItem> items;
    Collect(Next(nullptr, TVGN_ROOT), 0, items);
    return items;
}

std::vector<std::string> TreeReader::Lines() const {
    std::vector<std::string> lines;
    for (const TreeItem& item : Items()) {
        std::string line(static_cast<size_t>(item.depth) * 2, ' ');
        line += item.text;
        const UINT image = (item.state & TVIS_STATEIMAGEMASK) >> 12;
        if (image) line += " [" + std::to_string(image) + "]";
        if (item.state & TVIS_EXPANDED) line += " +";
        lines.push_back(line);
    }
    return lines;
}

HTREEITEM TreeReader::Find(const std::string& text) const {
    for (const TreeItem& item : Items()) {
        if (item.text == text) return item.handle;
    }
    return nullptr;
}

HTREEITEM TreeReader::Selected() const { return Next(nullptr, TVGN_CARET); }

void TreeReader::Select(HTREEITEM item) const {
    PostMessageA(m_tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

bool TreeReader::DoubleClick(HTREEITEM item) const {
    if (!m_remote) return false;
    // The item goes in where the rectangle comes back.
    WriteProcessMemory(m_process, &m_remote->rect, &item, sizeof item, nullptr);
    DWORD_PTR ok = 0;
    SendMessageTimeoutA(m_tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&m_remote->rect),
                        SMTO_BLOCK, 10000, &ok);
    if (!ok) return false;
    RECT rect{};
    ReadProcessMemory(m_process, &m_remote->rect, &rect, sizeof rect, nullptr);
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    PostMessageA(m_tree, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(m_tree, WM_LBUTTONUP, 0, at);
    return true;
}

}  // namespace e2e
