#!/usr/bin/env bash
# Builds Frobnik (installing what is missing) and runs the whole test suite.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/setup.sh"
BUILD_DIR="${FROBNIK_BUILD_DIR:-$ROOT/build}"
cd "$BUILD_DIR"
# Tests that talk D-Bus need a session bus of their own.
if command -v dbus-run-session >/dev/null 2>&1 && [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  exec dbus-run-session -- ctest --output-on-failure -j "$(nproc)" "$@"
fi
exec ctest --output-on-failure -j "$(nproc)" "$@"
