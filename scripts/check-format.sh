#!/usr/bin/env bash
# Fails when any C++ file of the tree differs from what the tree's .clang-format makes of it.
# To fix: clang-format -i on the files it names.
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format || true)
[ -n "$format" ] || { echo "clang-format is missing: run scripts/install-deps.sh" >&2; exit 1; }
find src tests tools bench \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 "$format" --dry-run -Werror
echo "formatting: every file as .clang-format has it"
