#!/usr/bin/env bash
# Sets up, builds and runs every test: once in a normal build, then again with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVH_SANITIZE=ON -DVH_BUILD_BENCH=OFF
cmake --build build-asan -j2
ctest --test-dir build-asan --output-on-failure -j2
