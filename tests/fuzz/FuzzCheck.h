// What the fuzzers share: a property that must hold of every input.
#pragma once

namespace fuzz {

// Stops the run when a property does not hold: libFuzzer keeps the input that got here.
inline void Check(bool holds, const char* what) {
    if (holds) return;
    __builtin_printf("property broken: %s\n", what);
    __builtin_trap();
}

}  // namespace fuzz
