#!/usr/bin/env bash
# scripts/package on the build tree: a .deb that holds the programs, desktop
# entries, icons, metadata and manual pages, depends on the Qt libraries
# (computed) and Qt's Russian texts, tells about the dialout group after
# installing, leaves nothing behind when removed, and on which lintian finds
# no error.
#
#   package_test.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1 source=$2 version=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

deb=$(KV_BUILD_DIR="$build" KV_SKIP_SETUP=1 "$source/scripts/package" | tail -n 1)
[ "$deb" = "$build/kvintor_${version}_$(dpkg --print-architecture).deb" ] || fail "scripts/package made '$deb'"

contents=$(dpkg-deb --contents "$deb" | awk '{ print $1, $NF }')
has() { grep -qE "^$1 \./$2\$" <<<"$contents" || fail "the package lacks /$2"; }
for p in kvintor fermel lumeta kline-sim kline kvintor-uninstall; do
    has -rwxr-xr-x "usr/bin/$p"
    has -rw-r--r-- "usr/share/man/man1/$p.1.gz"
done
for id in Kvintor Fermel Lumeta KlineSim; do
    has -rw-r--r-- "usr/share/applications/ru.kvintor.$id.desktop"
    has -rw-r--r-- "usr/share/icons/hicolor/scalable/apps/ru.kvintor.$id.svg"
done
for id in Kvintor Fermel Lumeta; do
    has -rw-r--r-- "usr/share/metainfo/ru.kvintor.$id.metainfo.xml"
done
has -rw-r--r-- usr/share/doc/kvintor/copyright
has -rw-r--r-- usr/share/doc/kvintor/changelog.gz
if grep -qE '\./usr/local|\./tmp|CPack' <<<"$contents"; then fail "stray paths in the package"; fi

[ "$(dpkg-deb -f "$deb" Package)" = kvintor ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
depends=$(dpkg-deb -f "$deb" Depends)
for d in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6svg6 qt6-translations-l10n; do
    grep -qE "(^|, )$d( |,|$)" <<<"$depends" || fail "Depends lacks $d: $depends"
done
[ -n "$(dpkg-deb -f "$deb" Description | sed -n 2p)" ] || fail "no long description"

control=$(mktemp -d)
trap 'rm -rf "$control"' EXIT
dpkg-deb -e "$deb" "$control"
[ -x "$control/postinst" ] || fail "no executable postinst"
note=$(sh "$control/postinst" configure)
grep -q 'usermod -aG dialout' <<<"$note" || fail "postinst tells nothing about dialout: $note"
[ -z "$(sh "$control/postinst" abort-upgrade)" ] || fail "postinst speaks outside configure"

# Installed into a scratch root and removed again, nothing of it stays.
root=$control/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg=(dpkg --root="$root" --force-depends --force-script-chrootless --force-not-root)
"${dpkg[@]}" -i "$deb" >"$control/install.log" 2>&1 || fail "dpkg -i: $(cat "$control/install.log")"
[ -x "$root/usr/bin/kvintor" ] || fail "dpkg -i installed no kvintor"
"${dpkg[@]}" --remove kvintor >"$control/remove.log" 2>&1 || fail "dpkg --remove: $(cat "$control/remove.log")"
left=$(cd "$root" && find . -mindepth 1 ! -path './var/lib/dpkg*' ! -path ./var ! -path ./var/lib)
[ -z "$left" ] || fail "removing the package left: $left"

if command -v lintian >/dev/null; then
    report=$(lintian --no-cfg --fail-on none "$deb" 2>&1)
    echo "$report"
    if grep -q '^E: ' <<<"$report"; then fail "lintian reports errors"; fi
else
    echo "packaging_deb: lintian is not installed (scripts/setup installs it)"
    exit 77
fi
echo "packaging_deb: $(basename "$deb"), Depends: $depends"
