#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the release build,
# the same suite under AddressSanitizer and UndefinedBehaviorSanitizer, and a
# short run of each fuzzing harness on its corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

echo "== release build and tests"
cmake --preset release >/dev/null
cmake --build --preset release -j2
ctest --preset release -j2

echo "== fuzzing harnesses, briefly"
scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

echo "== sanitizer build and tests"
cmake --preset asan >/dev/null
cmake --build --preset asan -j2
ctest --preset asan -j2
