#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test: all four tiers
# (unit, gui, e2e, long) of the normal build, the core on its own, the Debian package,
# the same tests under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets
# for a bounded time. Any failure, sanitizer report or fuzzer crash fails the whole run.
# For a quick loop while working: ctest --preset quick (after one run of this, or a build).
# JOBS limits the build's parallel jobs; the tests' jobs are the presets'.
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_SECONDS=${FUZZ_SECONDS:-60}

bash scripts/install-deps.sh

step() { printf '\n==== %s ====\n' "$*"; }

# Every build folder, option and test job comes from CMakePresets.json, as a developer's
# "cmake --preset" and "ctest --preset" have them. Configures a preset and prints its folder.
configure() { cmake --preset "$1" | sed -n 's/^-- Build files have been written to: //p'; }
build() { cmake --build --preset "$1" ${JOBS:+-j"$JOBS"}; }

step "Formatting"
bash scripts/check-format.sh

step "Normal build"
normal=$(configure default)
build default

# Every test belongs to a tier, so the two runs below are all of them.
unlabelled=$(ctest --preset untiered -N | grep -c 'Test *#' || true)
[ "$unlabelled" -eq 0 ] || { echo "$unlabelled tests have no tier label" >&2; exit 1; }

# The fast tiers run in parallel; the tiers that time a line or a wall clock run one at a time.
step "Tests: unit and gui"
ctest --preset quick

step "Tests: e2e and long"
ctest --preset e2e-long

step "Core alone: number texts, protocol, controller; no Qt Serial Port, no widgets"
configure core >/dev/null
build core
ctest --preset core

step "Debian package: build, install, start, remove"
bash scripts/package-test.sh "$normal"

step "Run command: window, virtual controller, a read"
bash scripts/run-smoke-test.sh

step "Sanitizer build (address, undefined)"
configure sanitizers >/dev/null
build sanitizers

step "Tests under the sanitizers"
ctest --preset sanitizers-quick
ctest --preset sanitizers-e2e-long

step "Fuzz targets (${FUZZ_SECONDS} s each)"
fuzz=$(configure fuzz)
build fuzz
for fuzzer in "$fuzz"/tests/fuzz/fuzz_*; do
    [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    corpus="tests/fuzz/corpus/${name#fuzz_}"
    work="$fuzz/work-$name" # inside the build folder: nothing else cleans it meanwhile
    rm -rf "$work" && mkdir -p "$work"
    echo "-- $name for ${FUZZ_SECONDS} s (seed corpus $corpus)"
    "$fuzzer" -max_total_time="$FUZZ_SECONDS" -max_len=4096 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/" "$work" "$corpus" 2>&1 | tail -n 12
    rm -rf "$work"
done

step "All tests passed"
