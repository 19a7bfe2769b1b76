#!/usr/bin/env bash
# Checks that every tracked C++ file is formatted with the project's .clang-format
# and names the ones that are not (fix them with clang-format -i).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
else
    # A copy without its history: every source file outside the build folders.
    mapfile -t files < <(find . -path './build*' -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print | sort)
fi
bad=()
for f in "${files[@]}"; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
    echo "Not formatted with .clang-format (clang-format -i FILE fixes it):"
    printf '  %s\n' "${bad[@]}"
    exit 1
fi
echo "Formatting: all ${#files[@]} C++ files as .clang-format wants"
