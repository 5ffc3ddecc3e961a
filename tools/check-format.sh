#!/bin/bash
# Fails when a C++ source differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
find app framework keylib keys text pages device res tests log ukeyctl installer runtime -name '*.cpp' -o -name '*.h' |
  xargs clang-format --dry-run --Werror
echo "format: every C++ source as clang-format writes it"
