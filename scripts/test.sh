#!/usr/bin/env bash
# Installs what is needed, builds Vorlane and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLANE_WERROR=ON
cmake --build build
ctest --test-dir build --output-on-failure -j2
