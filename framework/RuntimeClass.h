// Run-time class names with their bases, for the classes that carry one.
#pragma once

#include <cstring>

namespace fw {

struct RuntimeClass {
    const char* name;
    const RuntimeClass* base;

    bool IsDerivedFrom(const RuntimeClass* other) const {
        for (const RuntimeClass* c = this; c; c = c->base) {
            if (c == other) return true;
        }
        return false;
    }
};

}  // namespace fw
