// What a process parsed of the store (the plugged-in list, the registered list, the key files),
// kept while the file's stamp stays the same, so that a call neither reads nor parses it again.
// The stamp joins a write generation kept beside the lock (every write of the plugged-in list or
// a key through the library or keyadmin bumps the store's, every rewrite of the registered list
// its own, under the lock) with the file's size and last write time, which catch a hand edit and
// an append.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "keylib/dll/logic/KeyRecord.h"
#include "keylib/dll/logic/PluggedSet.h"
#include "keylib/dll/logic/Thumbprints.h"

namespace keylib {

struct ListStamp {
    uint32_t generation = 0;
    bool present = false;  // the file exists; size and time only count then
    uint64_t size = 0;
    uint64_t writeTime = 0;

    bool operator==(const ListStamp& other) const {
        return generation == other.generation && present == other.present &&
               (!present || (size == other.size && writeTime == other.writeTime));
    }
};

// One list of a store folder.
template <class List>
class ListCache {
public:
    // The list kept for the folder, if it was kept under the same stamp.
    bool find(const std::wstring& folder, const ListStamp& stamp, List& list) const {
        if (!valid_ || folder != folder_ || !(stamp == stamp_)) return false;
        list = list_;
        return true;
    }
    void keep(const std::wstring& folder, const ListStamp& stamp, const List& list) {
        folder_ = folder;
        stamp_ = stamp;
        list_ = list;
        valid_ = true;
    }
    void forget() { valid_ = false; }

private:
    bool valid_ = false;
    std::wstring folder_;
    ListStamp stamp_;
    List list_;
};

using PluggedListCache = ListCache<PluggedSet>;
using LoadedListCache = ListCache<std::vector<Thumbprint>>;

// The key files a process parsed, kept the same way by path, so that a call that only reads a
// key looks at the file's stamp instead of opening, reading and parsing it. Bounded: past
// kMostKept files it starts again.
class KeyRecordCache {
public:
    static constexpr size_t kMostKept = 256;
    bool find(const std::wstring& path, const ListStamp& stamp, KeyRecord& record) const;
    void keep(const std::wstring& path, const ListStamp& stamp, const KeyRecord& record);

private:
    std::map<std::wstring, std::pair<ListStamp, KeyRecord>> kept_;
};

}  // namespace keylib
