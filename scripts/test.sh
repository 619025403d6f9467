#!/usr/bin/env bash
# Installs what is needed, builds Vorlane and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLANE_WERROR=ON
cmake --build build
ctest --test-dir build --output-on-failure -j2

# Fuzzing: each libFuzzer target for VORLANE_FUZZ_SECONDS (30 s) on its seed corpus, in a
# clang build of its own that holds only the fuzz targets and their libraries.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORLANE_FUZZ=ON -DVORLANE_ONLY="platform;config;audio;device;ui"
cmake --build build-fuzz --target vorlane_fuzzers
ctest --test-dir build-fuzz -L fuzz --output-on-failure -j2
