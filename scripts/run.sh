#!/usr/bin/env bash
# Installs what is missing, builds a release and starts Orvanta.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target orvanta orvanta-cli
exec ./build/release/bin/orvanta "$@"
