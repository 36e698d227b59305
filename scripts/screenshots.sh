#!/usr/bin/env bash
# Takes pictures of the main window under a virtual X server, in English and
# in Russian, without and with a source, on both pages, with the options
# menu open, with the About box, the progress bar's time-left tooltip and the
# notice at the end of a long run. The PNG files land in <build>/screenshots/.
#   scripts/screenshots.sh [build folder] [font set]      (default: build)
# A font set (dejavu, noto, liberation) limits the fonts to that family, as
# the window tests do; without one the machine's own fonts are used, and the
# pictures land in <build>/screenshots/<font set>/.
# Needs xvfb-run (Debian xvfb); the program takes the pictures itself.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="$(cd "${1:-$ROOT/build}" && pwd)"
PROGRAM="$BUILD_DIR/bin/frobnik"
OUT="$BUILD_DIR/screenshots"
FONTS="${2:-}"
if [ -n "$FONTS" ]; then
  export FONTCONFIG_FILE="$BUILD_DIR/tests/fonts/$FONTS.conf"
  [ -f "$FONTCONFIG_FILE" ] || { echo "screenshots: no font set $FONTS ($FONTCONFIG_FILE)" >&2; exit 1; }
  OUT="$OUT/$FONTS"
fi
SETTLE_MS="${FROBNIK_SCREENSHOT_SETTLE_MS:-1500}"
# Only the pictures whose names match this pattern (a grep expression).
ONLY="${FROBNIK_SCREENSHOT_ONLY:-}"

command -v xvfb-run >/dev/null || { echo "screenshots: xvfb-run is missing (apt-get install xvfb)" >&2; exit 1; }
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
  if [ -n "$ONLY" ] && ! echo "$name" | grep -q -- "$ONLY"; then return 0; fi
  mkdir -p "$home/config/qbx" "$home/data"
  printf '[General]\nLanguage=%s\n' "$language" >"$home/config/qbx/Frobnik.conf"
  rm -f "$OUT/$name.png"
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
  FROBNIK_UI_DEMO="$state" FROBNIK_UI_PICTURE="$OUT/$name.png" FROBNIK_UI_SETTLE_MS="$SETTLE_MS" \
    timeout 60 xvfb-run -a -s "-screen 0 640x440x24" "$PROGRAM" >/dev/null 2>&1 || :
  if [ -f "$OUT/$name.png" ]; then echo "$OUT/$name.png"; else echo "screenshots: no picture $name" >&2; fi
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
  shot "${tag}_device_keyboard" "$language" "source=$CLIP;page=1;device=3;focus=DevicePageScroller"
  shot "${tag}_options_keyboard" "$language" "source=$CLIP;format=MP4;focus=AdditionLabel"
  shot "${tag}_source_menu" "$language" "source=$CLIP;menu=source"
  shot "${tag}_view_menu" "$language" "menu=view"
  shot "${tag}_help_menu" "$language" "menu=help"
  shot "${tag}_about" "$language" "dialog=about"
  shot "${tag}_folder_picker" "$language" "dialog=folder"
  shot "${tag}_time_left" "$language" "source=$CLIP;format=MP4;tooltip=progress"
  shot "${tag}_notice_done" "$language" "source=$CLIP;notice=13017"
  shot "${tag}_notice_failed" "$language" "source=$CLIP;notice=13016"
done
