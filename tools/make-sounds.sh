#!/usr/bin/env bash
# Synthesises the result sounds with sox into data/Sounds: a short rising
# chime for a finished conversion and a soft falling tone for a failure.
# 16-bit PCM, 44.1 kHz, mono, peaks well below full scale.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT="$ROOT/data/Sounds"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"

FORMAT=(-r 44100 -b 16 -c 1)

# note <file> <seconds> <frequency> <delay>: a bell-like tone (fundamental
# plus a quieter octave) with a quick attack and a long logarithmic decay,
# shifted by <delay> seconds of silence.
note() {
  local file="$1" length="$2" freq="$3" delay="$4"
  local octave
  octave="$(awk -v f="$freq" 'BEGIN { printf "%.2f", f * 2 }')"
  sox -n "${FORMAT[@]}" "$WORK/fund.wav" synth "$length" sine "$freq"
  sox -n "${FORMAT[@]}" "$WORK/oct.wav" synth "$length" sine "$octave" vol 0.3
  sox -m "$WORK/fund.wav" "$WORK/oct.wav" "${FORMAT[@]}" "$file" \
    fade q 0.006 "$length" "$(awk -v l="$length" 'BEGIN { print l - 0.01 }')" \
    fade l 0 "$length" "$(awk -v l="$length" 'BEGIN { print l * 0.85 }')" \
    pad "$delay"
}

# Success: E5 then B5, overlapping like a two-tone door chime.
note "$WORK/c1.wav" 0.55 659.25 0
note "$WORK/c2.wav" 0.62 987.77 0.13
sox -m "$WORK/c1.wav" "$WORK/c2.wav" "${FORMAT[@]}" "$OUT/converted.wav" gain -n -16

# Failure: two soft low notes falling a minor third, shorter and darker.
note "$WORK/e1.wav" 0.22 392.00 0
note "$WORK/e2.wav" 0.34 329.63 0.17
sox -m "$WORK/e1.wav" "$WORK/e2.wav" "${FORMAT[@]}" "$OUT/error.wav" \
  lowpass 1800 gain -n -18

for f in "$OUT/converted.wav" "$OUT/error.wav"; do
  echo "$f: $(soxi -D "$f") s"
done
