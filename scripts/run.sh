#!/usr/bin/env bash
# Sets up, builds and starts the program. The build puts a fresh bookkeep.dat
# beside the program only when there is none: an existing one is never replaced.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
exec build/bin/vornet-halvik
