#!/usr/bin/env bash
# Builds the native release of Fendrix and starts it in this terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_missing "${NATIVE_PACKAGES[@]}"
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
exec build/release/fendrix
