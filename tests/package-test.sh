#!/usr/bin/env bash
# Builds the Debian package of a build tree, unpacks it into a scratch root and runs what it
# installed there: the programs, the sample dictionary and the desktop's files.
#   package-test.sh BUILD_DIRECTORY VERSION
set -euo pipefail
build=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/out/*.deb)
[ "$(dpkg-deb -f "$deb" Package)" = evelmora ] || fail "the package is not named evelmora"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libfluidsynth3 timgm6mb-soundfont qt6-qpa-plugins libqt6widgets6 libsqlite3-0 libchm1; do
    grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
id=org.evelmora.Evelmora
for file in usr/bin/evelmora usr/bin/evelmora-tables usr/bin/evelmora-lookup usr/libexec/evelmora/evelmora-chmprobe \
    usr/share/evelmora/eVelmoraEFs/d0.UDL usr/share/evelmora/eVelmoraEFs/d2.UDL usr/share/evelmora/eVelmoraEFs/compiled/d0.UDL \
    usr/share/evelmora/content.json \
    usr/share/evelmora/biblioeng1.rtf usr/share/evelmora/music/music1.mid usr/share/evelmora/efFR.chm usr/share/evelmora/MindHelpE.chm \
    usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml usr/share/icons/hicolor/scalable/apps/$id.svg \
    usr/share/icons/hicolor/16x16/apps/$id.png usr/share/icons/hicolor/256x256/apps/$id.png \
    usr/share/man/man1/evelmora.1.gz usr/share/man/man1/evelmora-tables.1.gz usr/share/man/man1/evelmora-lookup.1.gz \
    usr/share/doc/evelmora/README.md usr/share/doc/evelmora/copyright usr/share/doc/evelmora/changelog.gz \
    usr/share/lintian/overrides/evelmora; do
    [ -e "$root/$file" ] || fail "$file is not installed"
done
[ ! -e "$root/usr/lib/evelmora" ] || fail "something is still installed under lib/evelmora"
[ ! -e "$root/usr/share/man/man1/evelmora.1" ] || fail "the manual pages are installed uncompressed"
latest=$(gzip -dc "$root/usr/share/doc/evelmora/changelog.gz" | sed -n 1p)
[[ "$latest" == "evelmora ($version) "* ]] || fail "the changelog's latest entry is not for $version: $latest"

# The installed programs, without a display, on the installed dictionary.
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/evelmora" --version)" = "evelmora $version" ] || fail "evelmora --version"
for tool in evelmora-tables evelmora-lookup; do
    [ "$("$root/usr/bin/$tool" --version)" = "$tool $version" ] || fail "$tool --version"
    found=$("$root/usr/bin/$tool" lookup 2>/dev/null "$root/usr/share/evelmora/eVelmoraEFs" fr anxiété || true)
    [ "$tool" = evelmora-lookup ] && found=$("$root/usr/bin/$tool" "$root/usr/share/evelmora/eVelmoraEFs" fr anxiété)
    [ "$found" = "$(printf 'anxiété\tanxiety')" ] || fail "$tool found \"$found\" for anxiété"
done
# The package's compiled copy is no older than its tables: the quick tool answers from it alone.
found=$(EVELMORA_LOOKUP_NO_HANDOVER=1 "$root/usr/bin/evelmora-lookup" "$root/usr/share/evelmora/eVelmoraEFs" en anxiety) \
    || fail "evelmora-lookup did not answer from the installed compiled copy"
[ "$found" = "$(printf 'anxiété\tanxiety')" ] || fail "the compiled copy gave \"$found\" for anxiety"
desktop-file-validate "$root/usr/share/applications/$id.desktop"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$id.metainfo.xml" >/dev/null || appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml"
# Lintian, where it is installed (./test installs it): an error is a regression.
if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log" >&2; fail "lintian reports an error"; }
fi
echo "package: $(basename "$deb") installs and runs"
