#!/usr/bin/env bash
# Installs what is missing, builds every target of a preset and runs its tests.
# Usage: scripts/test.sh [release|asan|tsan] [extra ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-release}
shift || true
./scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
export QT_QPA_PLATFORM=offscreen
ctest --preset "$preset" -j2 --timeout 600 "$@"
