#!/usr/bin/env bash
# Takes pictures of the main window under a virtual X server, in English and
# in Russian, without and with a source, on both pages and with the options
# menu open. The PNG files land in <build>/screenshots/.
#   scripts/screenshots.sh [build folder]      (default: build)
# Needs xvfb-run (Debian xvfb) and import (Debian imagemagick).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="$(cd "${1:-$ROOT/build}" && pwd)"
PROGRAM="$BUILD_DIR/bin/frobnik"
OUT="$BUILD_DIR/screenshots"
SETTLE="${FROBNIK_SCREENSHOT_SETTLE:-2}"

for tool in xvfb-run import; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (apt-get install xvfb imagemagick)" >&2; exit 1; }
done
[ -x "$PROGRAM" ] || { echo "screenshots: build the program first ($PROGRAM)" >&2; exit 1; }

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT" "$WORK/media/Holiday clips"

# A short clip to take as the source; an empty file stands in without an encoder.
CLIP="$WORK/media/Holiday clips/beach_walk_2023.avi"
if command -v ffmpeg >/dev/null; then
  ffmpeg -loglevel error -f lavfi -i testsrc=duration=1:size=320x240:rate=10 \
    -f lavfi -i sine=duration=1 -c:v mpeg4 -c:a mp3 "$CLIP" || : >"$CLIP"
else
  : >"$CLIP"
fi

# shot NAME LANGUAGE STATE: one picture of a fresh start with its own settings.
shot() {
  local name="$1" language="$2" state="$3" home="$WORK/home-$1"
  mkdir -p "$home/config/qbx" "$home/data"
  printf '[General]\nLanguage=%s\n' "$language" >"$home/config/qbx/Frobnik.conf"
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
  FROBNIK_UI_DEMO="$state" PROGRAM="$PROGRAM" PICTURE="$OUT/$name.png" SETTLE="$SETTLE" \
    xvfb-run -a -s "-screen 0 560x400x24" bash -c '
      "$PROGRAM" >/dev/null 2>&1 &
      pid=$!
      sleep "$SETTLE"
      import -window root "$PICTURE"
      kill "$pid" 2>/dev/null || :
      wait "$pid" 2>/dev/null || :'
  echo "$OUT/$name.png"
}

for language in English Russian; do
  tag="$(echo "$language" | cut -c1-2 | tr 'A-Z' 'a-z')"
  shot "${tag}_start" "$language" "page=0"
  shot "${tag}_source_format" "$language" "source=$CLIP;format=MP4;quality=1"
  shot "${tag}_source_options" "$language" "source=$CLIP;format=MP4;menu=options"
  shot "${tag}_source_3gp_options" "$language" "source=$CLIP;format=3GP;menu=options"
  shot "${tag}_source_audio" "$language" "source=$CLIP;format=FLAC"
  shot "${tag}_source_device" "$language" "source=$CLIP;page=1;device=1"
  shot "${tag}_device_scrolled" "$language" "source=$CLIP;page=1;device=9;scroll=300"
  shot "${tag}_source_menu" "$language" "source=$CLIP;menu=source"
  shot "${tag}_view_menu" "$language" "menu=view"
done
