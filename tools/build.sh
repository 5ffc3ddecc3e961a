#!/bin/bash
# Configures and builds one preset: native, windows or windows64; all of it, or the targets
# named after it.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=$1
shift
cache=build/$preset/CMakeCache.txt
# The build reruns CMake by itself when a CMakeLists.txt changes; configured by hand only the
# first time, after the presets changed, or for a tree another generator made (--fresh).
if ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$cache" 2>/dev/null; then
  cmake --preset "$preset" --fresh >/dev/null
elif [[ CMakePresets.json -nt $cache ]]; then
  cmake --preset "$preset" >/dev/null
fi
cmake --build --preset "$preset" ${*:+--target "$@"}
