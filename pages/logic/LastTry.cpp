#include "pages/logic/LastTry.h"

#include <algorithm>

namespace keytool {

TriesLeftTable g_TriesLeft;

TriesLeftTable::Entry* TriesLeftTable::Find(std::uint32_t slot) {
    Entry* end = m_entries + m_count;
    Entry* found = std::find_if(m_entries, end, [&](const Entry& e) { return e.slot == slot; });
    return found == end ? nullptr : found;
}

void TriesLeftTable::Note(std::uint32_t slot, std::uint32_t result) {
    const bool triesWord = (result & 0xFFF0u) == 0x63C0u;
    if (result != 0 && !triesWord) return;
    Entry* entry = Find(slot);
    if (result == 0) {
        if (entry) *entry = m_entries[--m_count];
        return;
    }
    if (!entry) {
        if (m_count == kMaxSlots) return;
        entry = &m_entries[m_count++];
        entry->slot = slot;
    }
    entry->triesLeft = result & 0xFu;
}

bool TriesLeftTable::OnLastTry(std::uint32_t slot) const {
    const Entry* end = m_entries + m_count;
    return std::any_of(m_entries, end,
                       [&](const Entry& e) { return e.slot == slot && e.triesLeft == 1; });
}

void TriesLeftTable::KeepOnly(const std::uint32_t* slots, std::uint32_t count) {
    const std::uint32_t* listedEnd = slots + std::min(count, kMaxSlots);
    const auto unplugged = [&](const Entry& e) {
        return std::find(slots, listedEnd, e.slot) == listedEnd;
    };
    m_count = static_cast<std::size_t>(std::remove_if(m_entries, m_entries + m_count, unplugged) -
                                       m_entries);
}

bool CheckUserPassword(std::uint32_t slot, TriesLeftTable& tries, LastTryQuestion& question,
                       const std::function<std::uint32_t()>& check, std::uint32_t* result) {
    if (tries.OnLastTry(slot) && !question.Continue()) return false;
    *result = check();
    tries.Note(slot, *result);
    return true;
}

}  // namespace keytool
