#!/usr/bin/env bash
# Builds Frobnik (installing what is missing) and runs the whole test suite.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/setup.sh"
BUILD_DIR="${FROBNIK_BUILD_DIR:-$ROOT/build}"
cd "$BUILD_DIR"
# Every test starts its own session bus (see tests/CMakeLists.txt).
exec ctest --output-on-failure -j "$(nproc)" "$@"
