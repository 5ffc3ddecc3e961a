// Run-time class names with their bases, for the classes that carry one.
#pragma once

namespace fw {

struct RuntimeClass {
    const char* name;
    const RuntimeClass* base;
};

}  // namespace fw
