#!/usr/bin/env bash
# What the desktop and Debian's tools read of Marvosk, checked with those tools.
#   dist_check.sh files SOURCE BUILD    the menu entry (desktop-file-validate), the software
#                                       catalogue's entry (appstreamcli) and the manual pages
#                                       (man, warnings are failures)
#   dist_check.sh package BUILD         the Debian package CPack makes of BUILD: no lintian error,
#                                       every file a player's desktop needs in its place, and
#                                       its library dependencies read off the programs
set -euo pipefail
mode=${1:?usage: dist_check.sh files SOURCE BUILD | package BUILD}
fail() { echo "dist_check: $*"; exit 1; }
need() {
  for tool; do command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps)"; done
}

if [ "$mode" = files ]; then
  source=${2:?} build=${3:?}
  need desktop-file-validate appstreamcli man
  desktop-file-validate "$source"/dist/*.desktop || fail "the menu entry is not valid"
  appstreamcli validate --no-net "$build"/dist/*.metainfo.xml || fail "the catalogue entry is not valid"
  for page in "$build"/dist/man/*.[0-9]; do
    said=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=all -l "$page" 2>&1 >/dev/null)
    [ -z "$said" ] || fail "$(basename "$page"): $said"
    for heading in NAME SYNOPSIS DESCRIPTION; do
      LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q "^$heading" ||
        fail "$(basename "$page") has no $heading"
    done
  done
  echo "dist_check: menu entry, catalogue entry and $(ls "$build"/dist/man/*.[0-9] | wc -l) manual pages valid"
  exit 0
fi

[ "$mode" = package ] || fail "unknown mode $mode"
build=${2:?}
need cpack lintian dpkg-deb
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack -G DEB -B "$work" --config "$build"/CPackConfig.cmake > "$work"/cpack.log 2>&1 ||
  { cat "$work"/cpack.log; fail "cpack failed"; }
deb=$(ls "$work"/marvosk_*_amd64.deb) || fail "no marvosk_VERSION_amd64.deb made"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/games/marvosk ./usr/games/marvosk-replay ./usr/games/marvosk-assets \
  ./usr/games/marvosk-viewer ./usr/share/applications/io.github.marvosk.Marvosk.desktop \
  ./usr/share/metainfo/io.github.marvosk.Marvosk.metainfo.xml \
  ./usr/share/icons/hicolor/48x48/apps/marvosk.png ./usr/share/icons/hicolor/64x64/apps/marvosk.png \
  ./usr/share/icons/hicolor/128x128/apps/marvosk.png \
  ./usr/share/icons/hicolor/256x256/apps/marvosk.png \
  ./usr/share/icons/hicolor/scalable/apps/marvosk.svg ./usr/share/man/man6/marvosk.6.gz \
  ./usr/share/doc/marvosk/copyright ./usr/share/doc/marvosk/changelog.gz; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
grep -v '^\./usr/' <<<"$contents" | grep -qv '^\./$' && fail "files outside /usr: $(grep -v '^\./usr/' <<<"$contents")"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsdl2-2.0-0 libfreetype6 libfontconfig1 libc6 fonts-comic-neue; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

# Errors fail; warnings are listed, for the record.
lintian --fail-on error "$deb" > "$work"/lintian.log 2>&1 ||
  { cat "$work"/lintian.log; fail "lintian reports errors"; }
grep -v "^running with root" "$work"/lintian.log || true
echo "dist_check: $(basename "$deb"), $(stat -c %s "$deb") bytes; Depends: $depends"
