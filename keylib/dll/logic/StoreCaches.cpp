#include "keylib/dll/logic/StoreCaches.h"

namespace keylib {

bool KeyRecordCache::find(const std::wstring& path, const ListStamp& stamp,
                          KeyRecord& record) const {
    const auto found = kept_.find(path);
    if (found == kept_.end() || !(found->second.first == stamp)) return false;
    record = found->second.second;
    return true;
}

void KeyRecordCache::keep(const std::wstring& path, const ListStamp& stamp,
                          const KeyRecord& record) {
    if (kept_.size() >= kMostKept && kept_.count(path) == 0) kept_.clear();
    kept_[path] = {stamp, record};
}

}  // namespace keylib
