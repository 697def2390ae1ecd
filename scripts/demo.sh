#!/usr/bin/env bash
# Installs what is missing, builds, and takes the bundled example sound
# through the analyser.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
bin=build/release
mkdir -p "$bin/example"
"$bin/tools/make-example-wav" "$bin/example/example.wav"
"$bin/cli/tonalyx-cli" --summary "$bin/example/example.wav"
