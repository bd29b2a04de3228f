#!/usr/bin/env bash
# The desktop entries and the AppStream metadata: valid for the desktop's
# own validators, in Russian and English, and consistent with each other, the
# icons and the programs: Fermel and Lumeta are offered in "Open with" for
# binary files without claiming an extension. On an X server each program's
# windows carry its icon and the class by which the desktop finds the entry.
#
#   metadata_test.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1 source=$2 version=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
key() { sed -n "s/^$2=//p" "$1"; }
entries=("$source"/resources/desktop/*.desktop)

# ---------------------------------------------------------------- the programs' windows

# The class and icon sizes of the top-level windows that process $1 made,
# one window a line: WM_CLASS(STRING) = "instance", "Class" Icon (16 x 16): ...
windows_of() {
    local id
    for id in $(xwininfo -root -children | grep -oE '^ +0x[0-9a-f]+' | tr -d ' '); do
        xprop -id "$id" _NET_WM_PID 2>/dev/null | grep -q "= $1\$" || continue
        xprop -id "$id" WM_CLASS _NET_WM_ICON 2>/dev/null | grep -E '^WM_CLASS\(STRING\)|Icon \(' |
            tr '\n\t' '  ' | grep '^WM_CLASS' && echo
    done
}

# Starts the program of each entry; its windows' class must be the entry's
# StartupWMClass (by which the desktop puts them under the entry), and they
# must carry the program's icon.
check_windows() {
    local entry id program class path pid window found attempt status
    for entry in "${entries[@]}"; do
        id=$(basename "$entry" .desktop)
        program=$(key "$entry" Exec | awk '{ print $1 }')
        class=$(key "$entry" StartupWMClass)
        case "$program" in
        kvintor) path=$build/src/kvintor/kvintor ;;
        fermel) path=$build/src/editor/fermel ;;
        lumeta) path=$build/src/finder/lumeta ;;
        kline-sim) path=$build/src/sim/kline-sim ;;
        *) fail "$id starts '$program'" ;;
        esac
        found=
        # A program that ended before it showed a window is started once
        # more (a loaded machine); what it printed is shown either way.
        for attempt in 1 2; do
            "$path" </dev/null >"$HOME/$program.out" 2>&1 &
            pid=$!
            for _ in $(seq 150); do
                found=$(windows_of "$pid" 2>/dev/null || true)
                grep -q 'Icon (48 x 48)' <<<"$found" && break
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill "$pid" 2>/dev/null || true
            status=0
            wait "$pid" 2>/dev/null || status=$?
            [ -n "$found" ] && break
            echo "packaging_metadata: $program (attempt $attempt) showed no window, status $status:" >&2
            cat "$HOME/$program.out" >&2
        done
        [ -n "$found" ] || fail "$program showed no window"
        while read -r window; do
            [ -n "$window" ] || continue
            grep -q "^WM_CLASS(STRING) = \"[^\"]*\", \"$class\" " <<<"$window" ||
                fail "$id: StartupWMClass=$class, but the window has $window"
            grep -q 'Icon (48 x 48)' <<<"$window" || fail "$program's window has no icon: $window"
        done <<<"$found"
    done
}

if [ "${KV_UNDER_XVFB:-}" = 1 ]; then
    check_windows
    exit 0
fi

# ---------------------------------------------------------------- the files

for tool in desktop-file-validate appstreamcli; do
    if ! command -v $tool >/dev/null; then
        echo "packaging_metadata: $tool is not installed (scripts/setup installs it)"
        exit 77
    fi
done

[ ${#entries[@]} = 4 ] || fail "expected four desktop entries, found ${#entries[@]}"
for entry in "${entries[@]}"; do
    id=$(basename "$entry" .desktop)
    out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate $id: $out"
    [ -z "$out" ] || fail "desktop-file-validate $id: $out"
    for k in Name 'Name\[ru\]' Comment 'Comment\[ru\]' GenericName 'GenericName\[ru\]' StartupWMClass; do
        [ -n "$(key "$entry" "$k")" ] || fail "$id has no $k"
    done
    # Cyrillic letters begin with the byte D0 or D1 in UTF-8.
    LC_ALL=C grep -q $'[\xd0\xd1]' <<<"$(key "$entry" 'Comment\[ru\]')" || fail "$id: Comment[ru] is not Russian"
    [ "$(key "$entry" Icon)" = "$id" ] || fail "$id shows the icon $(key "$entry" Icon)"
    [ -f "$source/resources/icons/$id.svg" ] || fail "$id: no icon $id.svg"
    program=$(key "$entry" Exec | awk '{ print $1 }')
    [ "$(key "$entry" TryExec)" = "$program" ] || fail "$id: TryExec and Exec name different programs"
    case "$program" in
    fermel | lumeta)
        # "Open with" for binary files: one local file, the generic type.
        [ "$(key "$entry" Exec)" = "$program %f" ] || fail "$id: Exec=$(key "$entry" Exec)"
        [ "$(key "$entry" MimeType)" = "application/octet-stream;" ] ||
            fail "$id: MimeType=$(key "$entry" MimeType)"
        ;;
    kvintor | kline-sim)
        [ -z "$(key "$entry" MimeType)" ] || fail "$id claims file types"
        [ "$(key "$entry" Exec)" = "$program" ] || fail "$id: Exec=$(key "$entry" Exec)"
        ;;
    *) fail "$id starts '$program'" ;;
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
    [ -f "$source/resources/metainfo/screenshots/$(sed -n 's|.*/screenshots/\(.*\)</image>|\1|p' "$file")" ] ||
        fail "$id: the screenshot to publish is not in resources/metainfo/screenshots"
done
echo "packaging_metadata: ${#entries[@]} desktop entries and ${#metainfos[@]} metainfo files valid"

if command -v xvfb-run >/dev/null && command -v xprop >/dev/null && command -v xwininfo >/dev/null; then
    home=$(mktemp -d)
    trap 'rm -rf "$home"' EXIT
    chmod 700 "$home"
    HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home \
        KV_UNDER_XVFB=1 QT_QPA_PLATFORM=xcb xvfb-run -a -s '-screen 0 1280x1024x24' \
        bash "$0" "$build" "$source" "$version"
    echo "packaging_metadata: the programs' windows carry their icons and their entries' class"
else
    echo "packaging_metadata: no xvfb-run, xprop or xwininfo: the windows were not looked at"
    exit 77
fi
