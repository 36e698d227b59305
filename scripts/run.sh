#!/usr/bin/env bash
# Builds Frobnik (installing what is missing) and starts it with the given arguments.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/setup.sh" >&2
# Without a display (a server, a download manager's headless job) Qt draws off screen.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
fi
exec "${FROBNIK_BUILD_DIR:-$ROOT/build}/bin/frobnik" "$@"
