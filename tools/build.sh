#!/bin/bash
# Configures and builds one preset: native or windows.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=$1
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
