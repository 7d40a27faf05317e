#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test: all four tiers
# (unit, gui, e2e, long) of the normal build, the protocol core on its own, the Debian package,
# the same tests under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets
# for a bounded time. Any failure, sanitizer report or fuzzer crash fails the whole run.
# For a quick loop while working: ctest --preset quick (after one run of this, or a build).
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_SECONDS=${FUZZ_SECONDS:-60}
JOBS=${JOBS:-$(nproc)}

bash scripts/install-deps.sh

step() { printf '\n==== %s ====\n' "$*"; }

step "Formatting"
bash scripts/check-format.sh

step "Normal build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$JOBS"

# Every test belongs to a tier, so the two runs below are all of them.
unlabelled=$(ctest --test-dir build -N -LE '^(unit|gui|e2e|long)$' | grep -c 'Test *#' || true)
[ "$unlabelled" -eq 0 ] || { echo "$unlabelled tests have no tier label" >&2; exit 1; }

# The fast tiers run in parallel; the tiers that time a line or a wall clock run one at a time.
step "Tests: unit and gui"
ctest --test-dir build --output-on-failure -j4 -L '^(unit|gui)$'

step "Tests: e2e and long"
ctest --test-dir build --output-on-failure -j1 -L '^(e2e|long)$'

step "Protocol core alone: no Qt Serial Port, no widgets"
cmake -S . -B build-core -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_CORE_ONLY=ON >/dev/null
cmake --build build-core -j"$JOBS"
ctest --test-dir build-core --output-on-failure -j4

step "Debian package: build, install, start, remove"
bash scripts/package-test.sh build

step "Run command: window, virtual controller, a read"
bash scripts/run-smoke-test.sh

step "Sanitizer build (address, undefined)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMORVANE_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$JOBS"

step "Tests under the sanitizers"
ctest --test-dir build-asan --output-on-failure -j4 -L '^(unit|gui)$'
ctest --test-dir build-asan --output-on-failure -j1 -L '^(e2e|long)$'

step "Fuzz targets (${FUZZ_SECONDS} s each)"
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMORVANE_FUZZ=ON -DMORVANE_TESTS=OFF -DMORVANE_TOOLS=OFF >/dev/null
cmake --build build-fuzz -j"$JOBS" --target morvane_fuzzers
for fuzzer in build-fuzz/tests/fuzz/fuzz_*; do
    [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    corpus="tests/fuzz/corpus/${name#fuzz_}"
    work="build-fuzz/work-$name" # inside the build folder: nothing else cleans it meanwhile
    rm -rf "$work" && mkdir -p "$work"
    echo "-- $name for ${FUZZ_SECONDS} s (seed corpus $corpus)"
    "$fuzzer" -max_total_time="$FUZZ_SECONDS" -max_len=4096 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/" "$work" "$corpus" 2>&1 | tail -n 12
    rm -rf "$work"
done

step "All tests passed"
