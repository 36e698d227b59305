#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it as a
# distribution would: lintian with every severity (findings that are meant so
# are overridden in dist/lintian-overrides, each with its reason; any other
# fails), the software-centre entry and the desktop entry with their
# validators, and one version everywhere (package, program, software-centre
# entry, manual page, changelog).
# Usage: scripts/check-package.sh [build-folder]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="$(cd "${1:-${FROBNIK_BUILD_DIR:-$ROOT/build}}" && pwd)"
OUT="$BUILD_DIR/package"

fail() {
  echo "check-package: $*" >&2
  exit 1
}

cmake --build "$BUILD_DIR" --parallel "$(nproc)"
rm -rf "$OUT"
mkdir -p "$OUT"
(cd "$BUILD_DIR" && cpack -G DEB -B "$OUT" >/dev/null)
deb="$(ls "$OUT"/frobnik_*.deb)"
echo "check-package: $deb"

# Root may run lintian; it only warns about it, and the warning is no finding.
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$deb" ||
  fail "lintian has findings (fix them, or override them with a reason in dist/lintian-overrides)"
echo "check-package: lintian clean; overridden on purpose:"
lintian --pedantic --display-info --show-overrides --fail-on none "$deb" 2>/dev/null | grep '^O:' || true

tree="$OUT/tree"
dpkg-deb -x "$deb" "$tree"
metainfo="$(ls "$tree"/usr/share/metainfo/*.metainfo.xml)"
appstreamcli validate --no-net "$metainfo" || fail "the software-centre entry does not validate"
desktop-file-validate "$tree"/usr/share/applications/*.desktop || fail "the desktop entry does not validate"

# The version is written once, in CMakeLists.txt; everything must agree with it.
package_version="$(dpkg-deb -f "$deb" Version)"
program_version="$("$tree/usr/bin/frobnik" --version)"
metainfo_version="$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)"
manual_version="$(zcat "$tree/usr/share/man/man1/frobnik.1.gz" | sed -n '1s/.*"Frobnik \([^"]*\)".*/\1/p')"
changelog_version="$(zcat "$tree/usr/share/doc/frobnik/changelog.gz" | sed -n '1s/^frobnik (\([^)]*\)).*/\1/p')"
for pair in "program:${program_version#Frobnik }" "software-centre entry:$metainfo_version" \
  "manual page:$manual_version" "changelog:$changelog_version"; do
  [ "${pair#*:}" = "$package_version" ] ||
    fail "the ${pair%%:*} says version '${pair#*:}', the package '$package_version'"
done
echo "check-package: version $package_version everywhere; package clean"
