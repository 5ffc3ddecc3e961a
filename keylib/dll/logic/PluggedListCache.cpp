#include "keylib/dll/logic/PluggedListCache.h"

namespace keylib {

bool PluggedListCache::find(const std::wstring& folder, const ListStamp& stamp,
                            PluggedSet& set) const {
    if (!valid_ || folder != folder_ || !(stamp == stamp_)) return false;
    set = set_;
    return true;
}

void PluggedListCache::keep(const std::wstring& folder, const ListStamp& stamp,
                            const PluggedSet& set) {
    folder_ = folder;
    stamp_ = stamp;
    set_ = set;
    valid_ = true;
}

}  // namespace keylib
