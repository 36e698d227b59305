#!/usr/bin/env bash
# Rebuilds the picture generator and redraws data/images and data/icons.
# The pictures are committed; run this only after changing tools/artgen.
# Build folder: $FROBNIK_ART_BUILD_DIR, default build-art beside the sources.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${FROBNIK_ART_BUILD_DIR:-$ROOT/build-art}"

cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja >/dev/null
cmake --build "$BUILD_DIR" --target frobnik_artgen

GENERATOR="$(find "$BUILD_DIR" -type f -name frobnik_artgen -perm -u+x | head -n 1)"
# No display is needed: the drawing happens in memory.
QT_QPA_PLATFORM=offscreen "$GENERATOR" "$ROOT/data/images" "$ROOT/data/icons"
echo "Pictures written to $ROOT/data/images and $ROOT/data/icons"
