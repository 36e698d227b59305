#!/usr/bin/env bash
# Fails when a source file is not laid out as .clang-format says; prints the
# files to run clang-format on.
set -euo pipefail
cd "$(dirname "$0")/.."
FORMAT="$(command -v clang-format || command -v clang-format-14)"
mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'fuzz/*.cpp' \
  'bench/*.cpp' 'tools/*.cpp')
off=()
for f in "${files[@]}"; do
  "$FORMAT" --dry-run --Werror "$f" >/dev/null 2>&1 || off+=("$f")
done
if [ ${#off[@]} -gt 0 ]; then
  printf 'not formatted: %s\n' "${off[@]}"
  exit 1
fi
echo "format: ${#files[@]} files as .clang-format says"
