#!/usr/bin/env bash
# The desktop entries and the AppStream metadata: valid for the desktop's
# own validators, in Russian and English, and consistent with each other, the
# icons and the programs: Fermel and Lumeta are offered in "Open with" for
# binary files without claiming an extension.
#
#   metadata_test.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1 source=$2 version=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
for tool in desktop-file-validate appstreamcli; do
    if ! command -v $tool >/dev/null; then
        echo "packaging_metadata: $tool is not installed (scripts/setup installs it)"
        exit 77
    fi
done

key() { sed -n "s/^$2=//p" "$1"; }

entries=("$source"/resources/desktop/*.desktop)
[ ${#entries[@]} = 4 ] || fail "expected four desktop entries, found ${#entries[@]}"
for entry in "${entries[@]}"; do
    id=$(basename "$entry" .desktop)
    out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate $id: $out"
    [ -z "$out" ] || fail "desktop-file-validate $id: $out"
    for k in Name 'Name\[ru\]' Comment 'Comment\[ru\]' GenericName 'GenericName\[ru\]'; do
        [ -n "$(key "$entry" "$k")" ] || fail "$id has no $k"
    done
    # Cyrillic letters begin with the byte D0 or D1 in UTF-8.
    LC_ALL=C grep -q $'[\xd0\xd1]' <<<"$(key "$entry" 'Comment\[ru\]')" || fail "$id: Comment[ru] is not Russian"
    [ "$(key "$entry" Icon)" = "$id" ] || fail "$id shows the icon $(key "$entry" Icon)"
    [ -f "$source/resources/icons/$id.svg" ] || fail "$id: no icon $id.svg"
    program=$(key "$entry" Exec | awk '{ print $1 }')
    [ "$(key "$entry" TryExec)" = "$program" ] || fail "$id: TryExec and Exec name different programs"
    case "$program" in
    kvintor | fermel | lumeta | kline-sim) ;;
    *) fail "$id starts '$program'" ;;
    esac
    case "$program" in
    fermel | lumeta)
        # "Open with" for binary files: one local file, the generic type.
        [ "$(key "$entry" Exec)" = "$program %f" ] || fail "$id: Exec=$(key "$entry" Exec)"
        [ "$(key "$entry" MimeType)" = "application/octet-stream;" ] ||
            fail "$id: MimeType=$(key "$entry" MimeType)"
        ;;
    *)
        [ -z "$(key "$entry" MimeType)" ] || fail "$id claims file types"
        [ "$(key "$entry" Exec)" = "$program" ] || fail "$id: Exec=$(key "$entry" Exec)"
        ;;
    esac
done
# No new file type: .bin is left to whoever owns it.
[ -z "$(find "$source/resources" -name '*.xml' -path '*mime*')" ] || fail "a MIME type definition is shipped"

metainfos=("$build"/metainfo/*.metainfo.xml)
[ ${#metainfos[@]} = 3 ] || fail "expected three metainfo files, found ${#metainfos[@]}"
for file in "${metainfos[@]}"; do
    id=$(basename "$file" .metainfo.xml)
    out=$(appstreamcli validate --no-net "$file" 2>&1) || fail "appstreamcli validate $id: $out"
    grep -q "<id>$id</id>" "$file" || fail "$id: the file name and <id> differ"
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$file" || fail "$id: no launchable"
    [ -f "$source/resources/desktop/$id.desktop" ] || fail "$id: its desktop entry is missing"
    grep -q "<release version=\"$version\"" "$file" || fail "$id: the newest release is not $version"
    grep -q '<screenshot type="default">' "$file" || fail "$id: no screenshot"
    grep -q '<description>' "$file" || fail "$id: no description"
done
echo "packaging_metadata: ${#entries[@]} desktop entries and ${#metainfos[@]} metainfo files valid"
