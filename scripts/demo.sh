#!/usr/bin/env bash
# Installs what is missing, builds, and takes the bundled example sound
# through both programs: example WAV to track file to MML text.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
bin=build/release
mkdir -p "$bin/example"
"$bin/tools/make-example-wav" "$bin/example/example.wav"
"$bin/cli/tonalyx-cli" --summary "$bin/example/example.wav"
# The analysis above staggers the voices, which rules out the pitch sort.
"$bin/cli/scorvane-cli" --no-pitch-sort "$bin/example/example.dat"
echo
echo "Start of the MML text:"
head -n 12 "$bin/example/example.txt" | tr -d '\r'
echo
echo "WAV file:   $PWD/$bin/example/example.wav"
echo "Track file: $PWD/$bin/example/example.dat"
echo "MML text:   $PWD/$bin/example/example.txt"
